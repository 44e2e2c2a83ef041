// The one owner of the program's Win32 objects: a kernel handle (a file,
// an event, a thread, a mutex), a loaded library, a find handle, a GDI
// object, a device context, fonts loaded from memory; other kinds (a
// printer) give their traits where they are used.  Move-only; it closes what it holds exactly once, when it goes
// or takes another.  Each kind says in its traits what "none" is (NULL or
// INVALID_HANDLE_VALUE, as the call that makes it returns) and how it is
// closed.  Sockets have theirs in base/win32/OwnedSocket.h.
#pragma once
#include <windows.h>

#include <utility>

namespace orv {

template <typename Traits>
class Owned {
public:
    using Type = typename Traits::Type;

    Owned() = default;
    explicit Owned(Type object) : object_(object) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) noexcept : object_(other.release()) {}
    Owned& operator=(Owned&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;

    Type get() const { return object_; }
    explicit operator bool() const { return object_ != Traits::none(); }
    // Closes what it holds and takes object.
    void reset(Type object = Traits::none()) {
        const Type old = std::exchange(object_, object);
        if (old != Traits::none()) Traits::close(old);
    }
    // Gives up the object without closing it.
    Type release() { return std::exchange(object_, Traits::none()); }
    // Closes the object now and tells whether the system did: a file's
    // close may report a write that failed late.
    bool close() {
        const Type old = release();
        return old == Traits::none() || Traits::close(old);
    }

private:
    Type object_ = Traits::none();
};

namespace owned {

// Events, threads, mutexes, processes, file mappings: NULL when missing.
struct KernelTraits {
    using Type = HANDLE;
    static Type none() { return nullptr; }
    static bool close(Type h) { return CloseHandle(h) != FALSE; }
};

// What CreateFile opens: INVALID_HANDLE_VALUE when it failed.
struct FileTraits {
    using Type = HANDLE;
    static Type none() { return INVALID_HANDLE_VALUE; }
    static bool close(Type h) { return CloseHandle(h) != FALSE; }
};

struct FindTraits {
    using Type = HANDLE;
    static Type none() { return INVALID_HANDLE_VALUE; }
    static bool close(Type h) { return FindClose(h) != FALSE; }
};

struct LibraryTraits {
    using Type = HMODULE;
    static Type none() { return nullptr; }
    static bool close(Type h) { return FreeLibrary(h) != FALSE; }
};

// A device context made with CreateDC (not one borrowed with GetDC).
struct DcTraits {
    using Type = HDC;
    static Type none() { return nullptr; }
    static bool close(Type dc) { return DeleteDC(dc) != FALSE; }
};

// Fonts added from memory with AddFontMemResourceEx.
struct FontResourceTraits {
    using Type = HANDLE;
    static Type none() { return nullptr; }
    static bool close(Type h) { return RemoveFontMemResourceEx(h) != FALSE; }
};

template <typename T>
struct GdiTraits {
    using Type = T;
    static Type none() { return nullptr; }
    static bool close(Type h) { return DeleteObject(h) != FALSE; }
};

}  // namespace owned

using KernelHandle = Owned<owned::KernelTraits>;
using FileHandle = Owned<owned::FileTraits>;
using FindHandle = Owned<owned::FindTraits>;
using LoadedLibrary = Owned<owned::LibraryTraits>;
using CreatedDc = Owned<owned::DcTraits>;
using FontResource = Owned<owned::FontResourceTraits>;
// A font, brush, pen or bitmap.
template <typename T>
using GdiObject = Owned<owned::GdiTraits<T>>;

}  // namespace orv
