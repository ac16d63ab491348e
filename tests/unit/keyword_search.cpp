// The one-pass keyword search against the one-by-one search in list order, on
// hand-picked texts and on generated ones, and the INF text's termination.
#include "product/keyword_search.h"

#include <cstring>
#include <random>

#include "tests/harness/check.h"
#include "tests/harness/keyword_reference.h"

namespace {

struct Row {
    const char* name;
    std::u16string text;
    std::vector<std::wstring> keywords;
    int expected;
};

std::u16string Repeat(const std::u16string& s, int times)
{
    std::u16string r;
    for (int i = 0; i < times; ++i) r += s;
    return r;
}

const std::u16string FILLER = Repeat(u"[Manufacturer]\r\n%Other%=Other,NTx86\r\n", 40);

void CheckRows()
{
    const Row rows[] = {
        {"no keywords", u"abc", {}, -1},
        {"single match", u"abc Norvale XRV def", {L"XRV"}, 0},
        {"case matters", u"abc norvale xrv def", {L"Norvale XRV"}, -1},
        {"first in list order wins, not first in text", u"Beta then Alpha", {L"Alpha", L"Beta"}, 0},
        {"later keyword when the first is absent", u"only Beta here", {L"Alpha", L"Beta", L"Gamma"}, 1},
        {"empty keyword matches", u"anything", {L"Absent", L"", L"anything"}, 1},
        {"empty keyword matches an empty text", u"", {L""}, 0},
        {"earlier keyword beats an empty one", FILLER + u"Hit", {L"Hit", L""}, 0},
        {"empty text", u"", {L"x"}, -1},
        {"keyword at the very start", u"Keyword" + FILLER, {L"Keyword"}, 0},
        {"keyword at the very end", FILLER + u"Keyword", {L"Keyword"}, 0},
        {"keyword longer than the text", u"Key", {L"Keyword"}, -1},
        {"search stops at the first zero unit", u"front" + std::u16string(1, u'\0') + u"Keyword", {L"Keyword"}, -1},
        {"match before the zero unit counts", u"Keyword" + std::u16string(1, u'\0') + u"Other", {L"Other", L"Keyword"}, 1},
        {"zero unit far before a long-skip match", FILLER + std::u16string(1, u'\0') + FILLER + u"Keyword", {L"Keyword"}, -1},
        {"one-unit keyword", u"abcdefg", {L"zz", L"g"}, 1},
        {"keyword cut at its own zero unit", u"abcdef", {std::wstring(L"cd\0zz", 5)}, 0},
        {"byte-order mark is a unit of the text", u"\xFEFFKey", {std::wstring(1, L'\xFEFF') + L"K"}, 0},
        {"overlapping repeats", u"aaaaaaaab", {L"aaab"}, 0},
        {"keyword longer than the skip window", FILLER + u"Norvale XRV-7000 Series Printer" + FILLER,
         {L"Norvale XRV-7000 Series Printer Driver", L"Norvale XRV-7000 Series Printer", L"Mini"}, 1},
    };
    for (const Row& row : rows) {
        check::Context context(row.name);
        KeywordSearch search(row.keywords);
        int got = search.FindFirst(row.text.data(), row.text.size());
        ok(got == row.expected, "expected %d, got %d\n", row.expected, got);
        int reference = FindFirstKeywordOneByOne(row.keywords, row.text.data(), row.text.size());
        ok(got == reference, "one by one gives %d, one pass %d\n", reference, got);
    }
}

// Small alphabets make partial matches, overlaps and zero units frequent; long texts
// spread the matches over the lanes and their boundaries.
void CheckGenerated(const char* name, int rounds, unsigned maxText, unsigned maxKeyword, unsigned maxKeywords)
{
    check::Context context(name);
    std::mt19937 random(12345);
    const char16_t alphabet[] = {u'a', u'b', u'c', u'\0', u'\xFEFF', u'a'};
    for (int round = 0; round < rounds; ++round) {
        std::u16string text(random() % maxText, u'a');
        for (char16_t& c : text) c = alphabet[random() % (random() % 8 ? 3 : 6)];
        std::vector<std::wstring> keywords(random() % (maxKeywords + 1));
        for (std::wstring& k : keywords) {
            k.assign(random() % (maxKeyword + 1), L'a');
            for (wchar_t& c : k) c = static_cast<wchar_t>(alphabet[random() % 6]);
        }
        KeywordSearch search(keywords);
        int got = search.FindFirst(text.data(), text.size());
        int reference = FindFirstKeywordOneByOne(keywords, text.data(), text.size());
        if (got != reference) {
            ok(false, "round %d: one by one gives %d, one pass %d\n", round, reference, got);
            return;
        }
    }
    ok(true, "generated texts");
}

struct TextRow {
    const char* name;
    std::string bytes;
    std::u16string expected;
};

void CheckInfText()
{
    const TextRow rows[] = {
        {"UTF-16 with byte-order mark", std::string("\xFF\xFE" "A\0B\0", 6), u"\xFEFF" u"AB"},
        {"8-bit text pairs its bytes", "ABCD", u"\x4241\x4443"},
        {"odd byte count drops the last byte", std::string("A\0B", 3), u"A"},
        {"one byte", "A", u""},
        {"empty file", "", u""},
    };
    for (const TextRow& row : rows) {
        check::Context context(row.name);
        ok(InfTextFromBytes(row.bytes.data(), row.bytes.size()) == row.expected, "converted text differs\n");
        InfText text;
        text.Allocate(row.bytes.size());
        std::memcpy(text.Bytes(), row.bytes.data(), row.bytes.size());
        text.Terminate(row.bytes.size());
        ok(std::u16string(text.Units(), text.Length()) == row.expected, "read text differs\n");
        ok(text.Units()[text.Length()] == 0, "no zero unit after the text\n");
    }
}

}  // namespace

int main()
{
    CheckRows();
    CheckGenerated("short texts", 20000, 64, 4, 4);
    CheckGenerated("long texts, long keywords", 3000, 3000, 12, 10);
    CheckInfText();
    return check::summary();
}
