// Small owners for Win32 handles: each releases what it holds when it goes out of
// scope, so the routine that acquired a handle also releases it on every path.
#pragma once
#include <windows.h>

template <typename Traits>
class UniqueHandleT {
public:
    using Handle = typename Traits::Handle;
    UniqueHandleT() : m_h(Traits::Invalid()) {}
    explicit UniqueHandleT(Handle h) : m_h(h) {}
    ~UniqueHandleT() { reset(); }
    UniqueHandleT(const UniqueHandleT&) = delete;
    UniqueHandleT& operator=(const UniqueHandleT&) = delete;
    UniqueHandleT(UniqueHandleT&& o) noexcept : m_h(o.release()) {}
    UniqueHandleT& operator=(UniqueHandleT&& o) noexcept
    {
        if (this != &o) reset(o.release());
        return *this;
    }

    Handle get() const { return m_h; }
    bool valid() const { return m_h != Traits::Invalid(); }
    explicit operator bool() const { return valid(); }
    // For APIs that return the handle through an out-parameter.
    Handle* put()
    {
        reset();
        return &m_h;
    }
    Handle release()
    {
        Handle h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    void reset(Handle h = Traits::Invalid())
    {
        if (valid()) Traits::Close(m_h);
        m_h = h;
    }

private:
    Handle m_h;
};

struct KernelHandleTraits {  // process, thread, event, mutex: null when absent
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::CloseHandle(h); }  // nothing to do on failure
};
struct FileHandleTraits {  // CreateFileW, CreateToolhelp32Snapshot
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { ::FindClose(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::RegCloseKey(h); }
};
struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::FreeLibrary(h); }
};
struct GdiObjectTraits {  // fonts, brushes, bitmaps
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteObject(h); }
};
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeleteDC(h); }
};
struct LocalMemoryTraits {  // FormatMessageW with FORMAT_MESSAGE_ALLOCATE_BUFFER
    using Handle = HLOCAL;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::LocalFree(h); }
};
struct EventSourceTraits {  // RegisterEventSourceW
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { ::DeregisterEventSource(h); }
};

using UniqueHandle = UniqueHandleT<KernelHandleTraits>;
using UniqueFile = UniqueHandleT<FileHandleTraits>;
using UniqueFind = UniqueHandleT<FindHandleTraits>;
using UniqueRegKey = UniqueHandleT<RegKeyTraits>;
using UniqueLibrary = UniqueHandleT<LibraryTraits>;
using UniqueGdiObject = UniqueHandleT<GdiObjectTraits>;
using UniqueMemoryDc = UniqueHandleT<MemoryDcTraits>;
using UniqueLocalMemory = UniqueHandleT<LocalMemoryTraits>;
using UniqueEventSource = UniqueHandleT<EventSourceTraits>;

// A critical section held for one scope.
class ScopedLock {
public:
    explicit ScopedLock(CRITICAL_SECTION& cs) : m_cs(cs) { ::EnterCriticalSection(&m_cs); }
    ~ScopedLock() { ::LeaveCriticalSection(&m_cs); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};
