#pragma once

// The real moxel.exe under Wine, in a program folder of its own with the
// stand-in winmm.dll (tools/winmm_standin): scripted devices, a record of
// what the program did with them, and messages played into its input.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <windows.h>

#include "support/TempDir.h"

namespace moxel::test {

class ProgramUnderWine : public ::testing::Test {
  protected:
    ProgramUnderWine();
    ~ProgramUnderWine() override;

    // devices.txt lines: "in\tName", "out\tName\tallocated", ...
    void script(const std::vector<std::string>& devices, const std::string& settings = "");
    // Starts moxel.exe; its process handle.
    HANDLE start();
    // The main window of that process, once it is there.
    HWND mainWindow(HANDLE process);
    // A control of the main window by its name in the window layout.
    HWND control(HWND window, const std::string& name) const;
    static std::vector<std::string> items(HWND list);
    static int selected(HWND list);
    // The record's lines without their times, once one holds the text.
    std::vector<std::string> recordOnce(const std::string& text);
    // The record's time (microseconds) of the first line holding the text.
    long long recordTime(const std::string& text);
    void inject(DWORD message);
    // Closes the window as its close box would; the exit code.
    DWORD close(HWND window, HANDLE process);

    TempDir folder;

  private:
    std::vector<HANDLE> processes_;
};

// The first top-level window with that title (its text of UTF-8).
HWND findWindowTitled(const std::string& title);
std::string windowText(HWND window);

} // namespace moxel::test
