// libFuzzer target: the command line. The program name is skipped without reading
// past the text; the switch split agrees with splitting the lower-cased text at every
// "-" (right-most 30 pieces, name up to the first blank); the left-most "-f" and "-log"
// with a value win; "-ui" and "-restart" are documented values or refused, a refusal is
// quiet and ends the run, text without any switch mark has neither; a forced restart
// only with "quiet" or "plan".
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
    }
    FUZZ_EXPECT(choice.fileGiven == fileSeen && choice.levelGiven == levelSeen);
    OwnSwitches own = ReadOwnSwitches(text);
    std::wstring notes[2];
    UnattendedMode mode = ChooseUnattended(own, notes);
    bool marks = false;
    for (wchar_t c : text)
        if (c == L'-' || c == L'/' || (c >= 0x2010 && c <= 0x2015) || c == 0x2212 || c == 0xFE63 || c == 0xFF0D)
            marks = true;
    FUZZ_EXPECT(marks || (own.refused.empty() && own.ui.empty() && own.restart.empty()));
    FUZZ_EXPECT(own.ui.empty() || own.ui == L"quiet" || own.ui == L"plan" || own.ui == L"full");
    FUZZ_EXPECT(own.restart.empty() || own.restart == L"force" || own.restart == L"no");
    if (mode.refused) {
        FUZZ_EXPECT(mode.noWindows && !mode.plan && !mode.forceRestart && !notes[0].empty());
        FUZZ_EXPECT(own.ui.empty() && own.restart.empty());
    } else {
        bool known = own.ui == L"quiet" || own.ui == L"plan";
        FUZZ_EXPECT(mode.noWindows == known && mode.plan == (own.ui == L"plan"));
        FUZZ_EXPECT(mode.forceRestart == (known && own.restart == L"force"));
    }
    return 0;
}
