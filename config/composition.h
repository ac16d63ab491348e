// The configuration composed from reads, one set of rules for the launcher (its
// logging profile reader) and the checker (its parsed file). A reader is a callable
// read(section, key, value) that returns true when the key was read; each rule reads
// in a fixed order, which the launcher's log shows. No Windows headers.
#pragma once
#include <string>

#include "config/schema.h"
#include "framework/wstr.h"

template <typename Read>
bool ReadCaption(Read read, std::wstring& caption)
{
    return read(VERSION_SECTION, CAPTION_KEY, caption);
}

template <typename Read>
bool ReadOsList(Read read, std::wstring& list)
{
    return read(OS_SUPPORT_SECTION, OS_LIST_KEY, list);
}

// One service-pack minimum (SP_MAJOR_KEY or SP_MINOR_KEY) of an os_list entry: from
// the entry's own section, else [OS_Support]; 0 when neither has it.
template <typename Read>
ReadSource ReadServicePack(Read read, const std::wstring& entry, const wchar_t* key, int& number)
{
    std::wstring value;
    ReadSource from = ReadPreferred(read, OsSupportSection(entry), OS_SUPPORT_SECTION, key, value);
    number = from == ReadSource::None ? 0 : wstr::ToInt(value);
    return from;
}

// Keys 1, 2, ... of a numbered list, up to the first missing one.
template <typename Read>
int CountList(Read read, const std::wstring& list)
{
    return CountNumberedKeys([&](int n) {
        std::wstring value;
        return read(list, wstr::FromInt(n), value);
    });
}

// Entry `number` of a list with per-system replacements (the Run lists): from
// "<list>.<accepted entry>", else from the list itself.
template <typename Read>
ReadSource ReadListEntry(Read read, const std::wstring& list, const std::wstring& acceptedOs, int number,
                         std::wstring& value)
{
    return ReadPreferred(read, VariantSection(list, acceptedOs), list, wstr::FromInt(number), value);
}

// The own success codes of Run entry `number`, read as the entry is: from
// "<list>.<accepted entry>", else from the list itself.
template <typename Read>
ReadSource ReadEntrySuccessCodes(Read read, const std::wstring& list, const std::wstring& acceptedOs, int number,
                                 std::wstring& value)
{
    return ReadPreferred(read, VariantSection(list, acceptedOs), list, SuccessCodesKey(number), value);
}

// The section of a language's texts, by its [LangMap] key, and one text of it.
template <typename Read>
bool ReadLanguageSection(Read read, const std::wstring& languageKey, std::wstring& section)
{
    return read(LANGMAP_SECTION, languageKey, section);
}

template <typename Read>
bool ReadLanguageText(Read read, const std::wstring& section, int number, std::wstring& text)
{
    return read(section, wstr::FromInt(number), text);
}
