#pragma once
// Small owners for Win32 handles, so every way out of a function releases what it acquired.
#include <string>
#include <utility>
#include <windows.h>

#include <objbase.h>

template <typename Traits>
class ScopedHandle {
public:
    using Type = typename Traits::Type;

    ScopedHandle() = default;
    explicit ScopedHandle(Type handle) : handle_(handle) {}
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ~ScopedHandle() { reset(); }

    Type get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }
    Type release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Type handle = Traits::Invalid()) {
        if (handle_ != Traits::Invalid()) Traits::Close(handle_);
        handle_ = handle;
    }

private:
    Type handle_ = Traits::Invalid();
};

template <typename T, auto CloseFunction>
struct NullIsInvalid {
    using Type = T;
    static T Invalid() { return nullptr; }
    static void Close(T handle) { CloseFunction(handle); }
};

struct FileHandleTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { FindClose(handle); }
};

using UniqueHandle = ScopedHandle<NullIsInvalid<HANDLE, CloseHandle>>;
using UniqueFindHandle = ScopedHandle<FindHandleTraits>;
using UniqueCoTaskMemory = ScopedHandle<NullIsInvalid<void*, CoTaskMemFree>>;  // a shell item list and the like
using UniqueFileHandle = ScopedHandle<FileHandleTraits>;
using UniqueKey = ScopedHandle<NullIsInvalid<HKEY, RegCloseKey>>;
using UniqueMenu = ScopedHandle<NullIsInvalid<HMENU, DestroyMenu>>;
using UniqueGdiObject = ScopedHandle<NullIsInvalid<HGDIOBJ, DeleteObject>>;
using UniqueIcon = ScopedHandle<NullIsInvalid<HICON, DestroyIcon>>;  // a non-shared icon only
using UniqueModule = ScopedHandle<NullIsInvalid<HMODULE, FreeLibrary>>;
using UniqueWindow = ScopedHandle<NullIsInvalid<HWND, DestroyWindow>>;
using UniqueGlobal = ScopedHandle<NullIsInvalid<HGLOBAL, GlobalFree>>;  // until the clipboard takes it

// Global memory locked for the lifetime of the object.
class GlobalMemoryLock {
public:
    using LockFunction = LPVOID(WINAPI*)(HGLOBAL);
    explicit GlobalMemoryLock(HGLOBAL memory, LockFunction lock = ::GlobalLock)
        : memory_(memory), data_(memory ? lock(memory) : nullptr) {}
    ~GlobalMemoryLock() {
        if (data_) GlobalUnlock(memory_);
    }
    GlobalMemoryLock(const GlobalMemoryLock&) = delete;
    GlobalMemoryLock& operator=(const GlobalMemoryLock&) = delete;
    void* data() const { return data_; }

private:
    HGLOBAL memory_;
    void* data_;
};

// A window's device context (the screen's with no window), released with the object.
class WindowDc {
public:
    explicit WindowDc(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// The clipboard, open while the object lives; every way out closes it.
class ClipboardSession {
public:
    ClipboardSession() = default;
    ~ClipboardSession() { Close(); }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
    [[nodiscard]] bool Open(HWND owner) {
        if (!open_) open_ = OpenClipboard(owner) != FALSE;
        return open_;
    }
    void Close() {
        if (open_) CloseClipboard();
        open_ = false;
    }
    bool IsOpen() const { return open_; }

private:
    bool open_ = false;
};

// A COM interface pointer, released with its owner.
template <typename Interface>
class ComPointer {
public:
    ComPointer() = default;
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    ~ComPointer() {
        if (pointer_) pointer_->Release();
    }
    Interface* get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // Where a creating call writes the pointer; what was held before is released first.
    void** put() {
        if (pointer_) pointer_->Release();
        pointer_ = nullptr;
        return reinterpret_cast<void**>(&pointer_);
    }

private:
    Interface* pointer_ = nullptr;
};
