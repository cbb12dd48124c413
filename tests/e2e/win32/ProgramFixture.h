#pragma once

// The real moxel.exe under Wine, in a program folder of its own with the
// stand-in winmm.dll (tools/winmm_standin): scripted devices, a record of
// what the program did with them, and messages played into its input.

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
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
    // Starts moxel.exe with those arguments (in Japanese unless they say);
    // its process handle. output: what its standard output and error become.
    HANDLE start(const std::wstring& arguments = L"--lang ja", HANDLE output = nullptr);
    // Runs moxel.exe to its end: its exit code and what it wrote.
    std::pair<DWORD, std::string> run(const std::wstring& arguments);
    // The main window of that process, once it is there.
    HWND mainWindow(HANDLE process);
    // A control of the main window by its name in the window layout.
    HWND control(HWND window, const std::string& name) const;
    static std::vector<std::string> items(HWND list);
    static int selected(HWND list);
    // The record's lines without their times, once one holds the text.
    std::vector<std::string> recordOnce(const std::string& text);
    // The record's lines from the first one holding mark on, once a line after
    // it holds the text.
    std::vector<std::string> recordAfter(const std::string& mark, const std::string& text);
    void inject(DWORD message);
    // Unplugs a device ("in\tName", "out\tName") or plugs it in again.
    void plug(const std::string& device, bool plugged);
    // Closes the window as its close box would; the exit code.
    DWORD close(HWND window, HANDLE process);

    TempDir folder;

  private:
    std::vector<HANDLE> processes_;
};

std::string windowText(HWND window);

} // namespace moxel::test
