// libFuzzer target: the command line. The program name is skipped without reading
// past the text; the switch split agrees with splitting the lower-cased text at every
// "-" (right-most 30 pieces, name up to the first blank); the left-most "-f", "-log",
// "-ui" and "-restart" with a value win; quiet for "quiet" and "plan", and for any other
// "-ui" value or "-ui" glued to its value, which ends the run; a forced restart only
// with "quiet" or "plan".
#include "app/cmdline.h"
#include "framework/wstr.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::wstring text = FuzzFields(data, size, 1)[0];
    std::wstring rest = SkipProgramName(text);
    FUZZ_EXPECT(rest.size() <= text.size() && text.compare(text.size() - rest.size(), rest.size(), rest) == 0);

    std::wstring names[MAX_SWITCHES], values[MAX_SWITCHES];
    int count = ParseSwitchText(text, names, values, MAX_SWITCHES);
    std::wstring lower;
    for (wchar_t c : text) lower += fuzzref::FoldAZ(c, false);
    std::vector<size_t> dashes;
    for (size_t i = 0; i < lower.size(); ++i)
        if (lower[i] == L'-') dashes.push_back(i);
    int expected = static_cast<int>(dashes.size() < MAX_SWITCHES ? dashes.size() : MAX_SWITCHES);
    FUZZ_EXPECT(count == expected);
    for (int i = 0; i < count; ++i) {
        size_t k = dashes.size() - 1 - i;
        size_t end = k + 1 < dashes.size() ? dashes[k + 1] : lower.size();
        std::wstring piece = lower.substr(dashes[k], end - dashes[k]);
        size_t blank = piece.find(L' ');
        FUZZ_EXPECT(names[i] == wstr::Trim(piece.substr(0, blank)));
        FUZZ_EXPECT(values[i] == (blank == std::wstring::npos ? std::wstring() : wstr::Trim(piece.substr(blank))));
    }

    SwitchChoice choice = ChooseSwitches(names, values, count);
    bool fileSeen = false, levelSeen = false;
    std::wstring ui, restart;
    bool unknownUi = false;
    for (int i = count - 1; i >= 0; --i) {
        if (!fileSeen && names[i] == L"-f" && !values[i].empty()) {
            fileSeen = true;
            std::wstring file;
            for (wchar_t c : values[i])
                if (c != L'"') file += c;
            FUZZ_EXPECT(choice.file == file);
        }
        if (!levelSeen && names[i] == L"-log" && !values[i].empty()) {
            levelSeen = true;
            FUZZ_EXPECT(choice.level == wstr::ToInt(values[i]));
        }
        if (ui.empty() && names[i] == L"-ui") ui = values[i];
        if (names[i] == L"-ui" && !values[i].empty() && values[i] != L"quiet" && values[i] != L"plan" &&
            values[i] != L"full")
            unknownUi = true;
        if (names[i].size() > 3 && names[i].compare(0, 3, L"-ui") == 0) unknownUi = true;
        if (restart.empty() && names[i] == L"-restart") restart = values[i];
    }
    FUZZ_EXPECT(choice.fileGiven == fileSeen && choice.levelGiven == levelSeen);
    FUZZ_EXPECT(choice.ui == ui && choice.restart == restart);
    std::wstring notes[2];
    UnattendedMode mode = ChooseUnattended(choice, notes);
    bool known = !unknownUi && (ui == L"quiet" || ui == L"plan");
    FUZZ_EXPECT(mode.uiUnknown == unknownUi && mode.noWindows == (unknownUi || known) && mode.plan == (known && ui == L"plan"));
    FUZZ_EXPECT(mode.forceRestart == (known && restart == L"force"));
    return 0;
}
