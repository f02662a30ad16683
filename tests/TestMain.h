#pragma once

#include <QObject>
#include <functional>

// Each test file registers its test classes; one executable per folder runs them all.
namespace TestRegistry {
using Factory = std::function<QObject*()>;
bool Add(const char* name, Factory factory);
}  // namespace TestRegistry

#define SOLAMINE_TEST(Class) \
    static const bool registered_##Class = TestRegistry::Add(#Class, [] { return new Class; });
