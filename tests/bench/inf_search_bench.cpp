// Speed of the magic-keyword search over a realistic INF folder, measured against the
// time it takes merely to open and read the same files.
//
//   inf_search_bench FOLDER [--generate] [--rounds N]
//
// --generate writes the folder first: 300 oem*.inf files, about 60 MB, two thirds
// UTF-16 with a byte-order mark and one third 8-bit, none holding any of the ten
// keywords, so that every file is read and searched to its end. Then, in one process,
// each round times, file by file in the order the system lists them, "open and read"
// and the whole search of the file (read and search), and sums both over the folder;
// the rounds' figures and ratios are printed. Built for Windows (the launcher's own
// read and search routines, run under Wine) and natively (the same search over POSIX
// reads).
// The one-pass search is also checked against the keyword-by-keyword search in list
// order, on the generated files and on keyword lists that do occur in them.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "product/keyword_search.h"
#include "tests/harness/keyword_reference.h"

#ifdef _WIN32
#include <windows.h>

#include "app/tarvik_app.h"
#include "product/magic_keywords.h"
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#endif

namespace {

const int FILE_COUNT = 300;

const std::vector<std::wstring> KEYWORDS = {
    L"Norvale XRV-7200 Series PCL6",
    L"USBPRINT\\NorvaleXRV-7200D4F1",
    L"Norvale XRV-7200 Series PS",
    L"NORVALE_XRV7200_PCL6.GPD",
    L"{4A7F2C91-0B3E-4D58-A6C2-19E8F0B7D3A5}",
    L"WSDPRINT\\NorvaleXRV-7200",
    L"xrv72pcl.dll",
    L"Norvale XRV-7200 Fax",
    L"LPTENUM\\NorvaleXRV-7200C1A2",
    L"XRV7200_Driver_Package_v3",
};

// ---- generation --------------------------------------------------------------

unsigned long g_seed = 20261207;
unsigned Next(unsigned range)
{
    g_seed = g_seed * 1103515245UL + 12345UL;
    return static_cast<unsigned>((g_seed >> 8) % range);
}

// Printer-driver INF text: real section layout, vendor and model lines close to the
// keywords (same maker, other models), file lists and strings.
std::string InfBody(size_t targetBytes, int fileNo)
{
    static const char* const makers[] = {"Norvale", "Lumetra", "Kestrel", "Orbis", "Vantor"};
    static const char* const series[] = {"XRV-5100", "XRV-7100", "XRV-7300", "LX-4000", "KP-210", "OB-96", "VT-3300"};
    std::string s = "; oem" + std::to_string(fileNo) + ".inf\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\n"
                    "Class=Printer\r\nClassGUID={4D36E979-E325-11CE-BFC1-08002BE10318}\r\nProvider=%Mfg%\r\n"
                    "DriverVer=06/21/2006,6.0.6000.16386\r\nCatalogFile=oem" + std::to_string(fileNo) + ".cat\r\n\r\n"
                    "[Manufacturer]\r\n%Mfg%=Models,NTx86,NTamd64\r\n\r\n[Models.NTx86]\r\n";
    while (s.size() < targetBytes) {
        const char* maker = makers[Next(5)];
        const char* model = series[Next(7)];
        unsigned n = Next(10000);
        char line[400];
        switch (Next(6)) {
        case 0:
            std::snprintf(line, sizeof(line), "\"%s %s Series PCL5e\" = DRV_%u, USBPRINT\\%s%s%04X\r\n", maker, model, n,
                          maker, model, n);
            break;
        case 1:
            std::snprintf(line, sizeof(line), "[DRV_%u]\r\nCopyFiles=UNIDRV,%s_%u_FILES\r\nDataFile=%s%u.GPD\r\n"
                                              "Include=ntprint.inf\r\nNeeds=UNIDRV.OEM,UNIDRV_DATA\r\n\r\n",
                          n, maker, n, model, n);
            break;
        case 2:
            std::snprintf(line, sizeof(line), "%s%u.GPD,,,0x00000020\r\n%sres%u.dll\r\nunires.dll\r\nstdnames.gpd\r\n",
                          model, n, maker, n % 97);
            break;
        case 3:
            std::snprintf(line, sizeof(line), "%s_%u = \"%s %s Series PS (Version %u.%u)\"\r\n", maker, n, maker, model,
                          n % 9, n % 100);
            break;
        case 4:
            std::snprintf(line, sizeof(line), "HKR,,\"DeviceID\",0x00000000,\"MFG:%s;CMD:PCL,PJL;MDL:%s %u;CLS:PRINTER;\"\r\n",
                          maker, model, n);
            break;
        default:
            std::snprintf(line, sizeof(line), "WSDPRINT\\%s%s%u = DRV_%u ; serviced by %s support, 0x%08X\r\n", maker,
                          model, n, n, maker, n * 2654435761U);
            break;
        }
        s += line;
    }
    return s;
}

std::string Utf16WithBom(const std::string& text)
{
    std::string bytes = "\xff\xfe";
    bytes.reserve(2 + 2 * text.size());
    for (char c : text) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

// About 60 MB in all: most files tens to hundreds of KB, a few of several MB.
size_t TextSizeOf(int i)
{
    if (i % 30 == 7) return 800000 + Next(1000000);  // ten big ones, stored at twice this in UTF-16
    return 20000 + Next(100000);
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool done = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && done;
}

size_t Generate(const std::string& folder)
{
    size_t total = 0;
    for (int i = 0; i < FILE_COUNT; ++i) {
        std::string text = InfBody(TextSizeOf(i), i);
        std::string bytes = i % 3 == 2 ? text : Utf16WithBom(text);
        if (!WriteFileBytes(folder + "/oem" + std::to_string(i) + ".inf", bytes)) {
            std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
            std::exit(2);
        }
        total += bytes.size();
    }
    return total;
}

// ---- the two passes ------------------------------------------------------------

#ifdef _WIN32
double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return double(count.QuadPart) / double(frequency.QuadPart);
}

std::wstring WideFolder(const std::string& folder)
{
    std::wstring w(folder.begin(), folder.end());
    std::replace(w.begin(), w.end(), L'/', L'\\');
    return w + L"\\";
}

std::vector<std::wstring> g_paths;

void ListFiles(const std::string& folder)
{
    SearchOemInfFiles(WideFolder(folder), [](const std::wstring& path) {
        g_paths.push_back(path);
        return FALSE;
    });
}

// Opening and reading one file as the launcher does, and nothing more.
size_t ReadOnly(const std::wstring& path)
{
    InfText text;
    return ReadInfText(path, text) ? text.Length() : 0;
}

// The launcher's own search of one file.
bool SearchFile(const std::wstring& path) { return theApp.SearchInfFile(path) != FALSE; }

bool LoadText(const std::wstring& path, InfText& text) { return ReadInfText(path, text) != FALSE; }
#else
double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::vector<std::string> g_paths;

void ListFiles(const std::string& folder)
{
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.compare(0, 3, "oem") == 0 && name.size() > 4 && name.compare(name.size() - 4, 4, ".inf") == 0)
            g_paths.push_back(folder + "/" + name);
    }
    closedir(dir);
}

bool LoadText(const std::string& path, InfText& text)
{
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    struct stat st;
    bool done = fstat(fd, &st) == 0;
    if (done) {
        size_t size = static_cast<size_t>(st.st_size), total = 0;
        text.Allocate(size);
        while (total < size) {
            ssize_t got = read(fd, static_cast<char*>(text.Bytes()) + total, size - total);
            if (got <= 0) break;
            total += static_cast<size_t>(got);
        }
        text.Terminate(total);
    }
    close(fd);
    return done;
}

size_t ReadOnly(const std::string& path)
{
    InfText text;
    return LoadText(path, text) ? text.Length() : 0;
}

// The same per-file shape as the launcher: read, then search with a fresh matcher.
bool SearchFile(const std::string& path)
{
    InfText text;
    return LoadText(path, text) && KeywordSearch(KEYWORDS).FindFirst(text.Units(), text.Length()) >= 0;
}
#endif

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Keyword lists that do occur: pieces cut from the files themselves, mixed with absent ones.
std::vector<std::vector<std::wstring>> OccurringLists(const std::u16string& sample)
{
    std::vector<std::vector<std::wstring>> lists;
    for (int i = 0; i < 40 && sample.size() > 100; ++i) {
        std::vector<std::wstring> list;
        for (int k = 0; k < 10; ++k) {
            if (Next(3) == 0) {
                list.push_back(KEYWORDS[Next(10)]);
                continue;
            }
            size_t at = Next(static_cast<unsigned>(sample.size() - 40)), len = 1 + Next(30);
            std::wstring piece;
            for (size_t j = at; j < at + len; ++j) piece.push_back(static_cast<wchar_t>(sample[j]));
            list.push_back(piece);
        }
        lists.push_back(list);
    }
    return lists;
}

// Both searches agree on every file: for the ten absent keywords and for lists that occur.
bool ResultsIdentical(size_t& comparisons)
{
    comparisons = 0;
    for (const auto& path : g_paths) {
        InfText text;
        if (!LoadText(path, text)) continue;
        std::vector<std::vector<std::wstring>> lists = OccurringLists(std::u16string(text.Units(), std::min<size_t>(text.Length(), 4000)));
        lists.push_back(KEYWORDS);
        for (const auto& list : lists) {
            ++comparisons;
            if (KeywordSearch(list).FindFirst(text.Units(), text.Length()) !=
                FindFirstKeywordOneByOne(list, text.Units(), text.Length()))
                return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: inf_search_bench FOLDER [--generate] [--rounds N]\n");
        return 2;
    }
    std::string folder = argv[1];
    int rounds = 7;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--generate") == 0) {
            size_t bytes = Generate(folder);
            std::printf("generated %d files, %.1f MB\n", FILE_COUNT, bytes / 1e6);
        } else if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
        }
    }
    ListFiles(folder);
#ifdef _WIN32
    theApp.m_astrMagicKeywords = KEYWORDS;
    theApp.m_nMagicKeywords = static_cast<int>(KEYWORDS.size());
#endif
    size_t units = 0;
    for (const auto& path : g_paths) units += ReadOnly(path);  // warms the file cache
    // File by file, the whole search of a file stands between two plain reads of it,
    // whose mean is the read time: a busy machine or a warm cache then favours
    // neither side.
    std::vector<double> readTimes, searchTimes, ratios;
    size_t found = 0;
    for (int r = 0; r < rounds; ++r) {
        double read = 0, search = 0;
        found = 0;
        for (const auto& path : g_paths) {
            double t0 = Now();
            ReadOnly(path);
            double t1 = Now();
            found += SearchFile(path) ? 1 : 0;
            double t2 = Now();
            ReadOnly(path);
            double t3 = Now();
            read += ((t1 - t0) + (t3 - t2)) / 2;
            search += t2 - t1;
        }
        readTimes.push_back(read);
        searchTimes.push_back(search);
        ratios.push_back(search / read);
    }
    size_t comparisons = 0;
    bool identical = ResultsIdentical(comparisons);
    double read = Median(readTimes), search = Median(searchTimes);
    std::printf("files: %u, text: %.1f MB, keywords: %u, files with a keyword: %u\n", unsigned(g_paths.size()),
                units * 2 / 1e6, unsigned(KEYWORDS.size()), unsigned(found));
    std::printf("open+read: %.1f ms (median of %d), whole search: %.1f ms\n", read * 1e3, rounds, search * 1e3);
    std::printf("ratio search / read: %.3f (median of the rounds' ratios; lowest %.3f, highest %.3f; goal: 1.25 or below)\n",
                Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                *std::max_element(ratios.begin(), ratios.end()));
    std::printf("results identical to keyword-by-keyword in list order: %s (%u comparisons)\n", identical ? "yes" : "NO",
                unsigned(comparisons));
    return identical ? 0 : 1;
}
