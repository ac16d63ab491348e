// How printui reads its command line, as a reference for the tests: the system's
// argument rules (blanks and tabs separate words outside double quotes; a run of 2n
// backslashes before a double quote gives n backslashes and the quote opens or closes,
// 2n+1 give n backslashes and a literal quote; other backslashes are literal; "" inside
// quotes is a literal quote), then each switch's value is the word after the first word
// equal to the switch.
#pragma once
#include <string>
#include <vector>

namespace argvref {

inline std::vector<std::wstring> SplitArguments(const std::wstring& line)
{
    std::vector<std::wstring> words;
    std::wstring word;
    bool quoted = false, inWord = false;
    for (size_t i = 0; i < line.size(); ++i) {
        wchar_t c = line[i];
        if (c == L'\\') {
            size_t end = line.find_first_not_of(L'\\', i);
            size_t n = (end == std::wstring::npos ? line.size() : end) - i;
            bool beforeQuote = i + n < line.size() && line[i + n] == L'"';
            word.append(beforeQuote ? n / 2 : n, L'\\');
            if (beforeQuote && n % 2) word.push_back(line[i + n++]);  // the escaped quote
            i += n - 1;
            inWord = true;
        } else if (c == L'"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == L'"') word.push_back(line[++i]);
            else quoted = !quoted;
            inWord = true;
        } else if ((c == L' ' || c == L'\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

inline std::wstring SwitchValue(const std::vector<std::wstring>& words, const wchar_t* name)
{
    for (size_t i = 0; i + 1 < words.size(); ++i)
        if (words[i] == name) return words[i + 1];
    return L"<none>";
}

// The four values printui reads back from its command line equal the ones given.
inline bool ReadsBack(const std::wstring& commandLine, const std::wstring& queue, const std::wstring& inf,
                      const std::wstring& port, const std::wstring& driver)
{
    std::vector<std::wstring> words = SplitArguments(commandLine);
    return SwitchValue(words, L"/b") == queue && SwitchValue(words, L"/f") == inf &&
           SwitchValue(words, L"/r") == port && SwitchValue(words, L"/m") == driver;
}

}  // namespace argvref
