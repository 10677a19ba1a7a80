// Helpers shared by the opening-book tests: a private scratch folder per test
// process, and capture of what a command handler prints.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "shell/output.h"

// A fresh file name in this process's scratch folder; the folder and every
// file in it are removed when the process ends.
inline std::string bookTempPath(const std::string& name)
{
    static struct Folder
    {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("vekran_book_" + std::to_string(getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    static int serial = 0;
    return (folder.path / (std::to_string(++serial) + "_" + name)).string();
}

// Everything a console command handler prints for one call.
inline std::string captureCommand(void (*handler)(const std::string&), const std::string& args)
{
    std::string text;
    std::string* previous = setOutputCapture(&text);
    handler(args);
    setOutputCapture(previous);
    return text;
}
