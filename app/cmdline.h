// Command-line text rules. No Windows headers: built and tested on the host.
#pragma once
#include <string>

#include "framework/program_name.h"

const int MAX_SWITCHES = 30;

// Splits the argument text into switch name/value pairs, working from the right
// end one "-" at a time (element 0 = right-most switch). Fills at most `maxPairs`
// pairs; returns the number filled.
int ParseSwitchText(const std::wstring& arguments, std::wstring names[], std::wstring values[], int maxPairs);

// The outcome of applying the pairs: the left-most "-f" and "-log" with a value win.
struct SwitchChoice {
    bool fileGiven = false;
    std::wstring file;  // double quotes removed
    bool levelGiven = false;
    int level = 0;
};
SwitchChoice ChooseSwitches(const std::wstring names[], const std::wstring values[], int count);
