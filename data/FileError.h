#pragma once

#include <QString>
#include <QtGlobal>
#include <exception>
#include <utility>
#include <vector>

// A failed file operation as data: what was being done to which file, why, and the bound that
// refused it. Nothing here is a sentence: the window words it in Japanese (ui/ErrorTexts), the
// command line in English (cli/ErrorText).
struct FileError {
    enum class Operation {
        Read,           // reading a file whole (a log, the end of a log)
        ReadFolder,     // reading a folder of daily logs as one record
        Write,          // creating or replacing a file, or rewriting its end
        Append,         // appending lines to a log
        ReadSettings,   // reading the INI file, refused: it is then neither read nor written
        WriteSettings,  // writing the INI file or the password file
    };
    enum class Code {
        System,          // the system refused; Reason holds its text
        NotFound,        // no such file; Reason holds the system's text
        NotRegularFile,  // a directory, a FIFO, a device
        TooLarge,        // more bytes than Limit
        TooManyLines,    // more lines than Limit
        OutOfMemory,     // the contents do not fit in memory
        Stopped,         // the read was stopped on request
        Shrunk,          // the file is shorter than the part that a rewrite keeps
        NotSynced,       // written, but not synced to disk; Reason holds the system's text
        NoFolder,        // the folder for the file could not be created
        NoFreeName,      // Limit names were tried and all were taken
        NoPdf,           // the chart could not be drawn as PDF
        OpenToOthers,    // a file of secrets whose permissions let others read it
        EmptyFolder,     // a folder that holds nothing
        NoLogFiles,      // a folder that holds no daily log file
    };

    Operation Op = Operation::Read;
    Code Why = Code::System;
    QString Path;  // as the caller named it; the wording makes it absolute where it should
    QString Reason;
    qint64 Limit = 0;

    friend bool operator==(const FileError&, const FileError&) = default;
};

// The exception of the operations that throw: one error, or (after a save and the recovery
// file both failed) several, first to last.
class FileFailure : public std::exception {
public:
    explicit FileFailure(FileError error) : errors_{std::move(error)} {}
    FileFailure(const FileFailure& first, const FileFailure& then) : errors_(first.errors_) {
        errors_.insert(errors_.end(), then.errors_.begin(), then.errors_.end());
    }

    const std::vector<FileError>& Errors() const { return errors_; }
    const FileError& First() const { return errors_.front(); }
    // No words here: the catch sites word the errors.
    const char* what() const noexcept override { return "file operation failed"; }

private:
    std::vector<FileError> errors_;
};
