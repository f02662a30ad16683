#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <vector>

// Filling hundreds of megabytes of fresh memory costs a page fault per 4 KiB page, and on some
// machines that costs more than the filling itself. These ask the kernel to back large buffers
// with 2 MiB pages where it offers them (Linux with transparent huge pages on request); elsewhere
// they only reserve.

// Advises the whole 2 MiB pages inside [data, data + bytes) for huge pages. Buffers below a few
// megabytes are left alone.
void AdviseHugePages(void* data, std::size_t bytes);

// Reserves room for count elements (as vector::reserve), advising the new buffer for huge pages
// before the elements move into it.
template <typename T>
void ReserveLarge(std::vector<T>& v, std::size_t count) {
    if (count <= v.capacity()) {
        return;
    }
    std::vector<T> larger;
    larger.reserve(count);
    AdviseHugePages(larger.data(), larger.capacity() * sizeof(T));
    larger.insert(larger.end(), std::make_move_iterator(v.begin()),
                  std::make_move_iterator(v.end()));
    v.swap(larger);
}

// Makes room for one more element, doubling the capacity as push_back would.
template <typename T>
void GrowLarge(std::vector<T>& v) {
    if (v.size() == v.capacity()) {
        ReserveLarge(v, std::max<std::size_t>(1024, v.capacity() * 2));
    }
}
