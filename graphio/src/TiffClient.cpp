#include "pictrans/TiffClient.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>
#include <type_traits>

namespace pictrans::tiff {
namespace {

Client& of(thandle_t h)
{
    return *static_cast<Client*>(h);
}

std::uint64_t sizeOf(const Client& c)
{
    return c.writing ? c.out.size() : c.in.size();
}

tmsize_t readProc(thandle_t h, void* buf, tmsize_t n)
{
    Client& c = of(h);
    const std::uint64_t size = sizeOf(c);
    if (n <= 0 || c.pos >= size)
        return 0;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(n), size - c.pos));
    const std::uint8_t* src = c.writing ? c.out.data() : c.in.data();
    std::memcpy(buf, src + c.pos, count);
    c.pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t writeProc(thandle_t h, void* buf, tmsize_t n)
{
    Client& c = of(h);
    if (!c.writing || n < 0)
        return -1;
    const auto count = static_cast<std::size_t>(n);
    try {
        if (c.pos + count > c.out.size())
            c.out.resize(static_cast<std::size_t>(c.pos) + count);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    std::memcpy(c.out.data() + c.pos, buf, count);
    c.pos += count;
    return n;
}

toff_t seekProc(thandle_t h, toff_t offset, int whence)
{
    Client& c = of(h);
    std::uint64_t base = whence == SEEK_CUR ? c.pos : whence == SEEK_END ? sizeOf(c) : 0;
    // Offsets come from the file: a seek far past the end is not followed.
    if (offset > (std::uint64_t{1} << 40))
        return static_cast<toff_t>(-1);
    c.pos = base + offset;
    return c.pos;
}

int closeProc(thandle_t)
{
    return 0;
}

toff_t sizeProc(thandle_t h)
{
    return sizeOf(of(h));
}

int mapProc(thandle_t, void**, toff_t*)
{
    return 0;
}

void unmapProc(thandle_t, void*, toff_t) {}

int onError(TIFF*, void* user, const char*, const char* fmt, va_list ap)
{
    auto& c = *static_cast<Client*>(user);
    if (c.error.empty()) {
        char text[256];
        std::vsnprintf(text, sizeof text, fmt, ap);
        c.error = text;
        // Some messages start with the name the file was opened under.
        constexpr std::string_view kName = "picture: ";
        if (c.error.starts_with(kName))
            c.error.erase(0, kName.size());
    }
    return 1; // handled: nothing printed
}

int onWarning(TIFF*, void*, const char*, const char*, va_list)
{
    return 1; // warnings change no pixel we keep; nothing printed
}

struct OptionsFree {
    void operator()(TIFFOpenOptions* o) const { lib().OpenOptionsFree(o); }
};

} // namespace

const Library* library()
{
    static const Library* const opened = []() -> const Library* {
        static Library functions;
        void* handle = ::dlopen(PICTRANS_LIBTIFF, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return nullptr;
        bool all = true;
        auto find = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(::dlsym(handle, name));
            all = all && function != nullptr;
        };
#define PICTRANS_TIFF_FIND(name) find(functions.name, "TIFF" #name);
        PICTRANS_TIFF_FUNCTIONS(PICTRANS_TIFF_FIND)
#undef PICTRANS_TIFF_FIND
        return all ? &functions : nullptr;
    }();
    return opened;
}

Handle open(Client& client, const char* mode)
{
    if (!library()) {
        client.error = "libtiff (" PICTRANS_LIBTIFF ") cannot be opened";
        return nullptr;
    }
    // Messages libtiff sends without a file's own handlers are not printed either.
    static std::once_flag quiet;
    std::call_once(quiet, [] {
        lib().SetErrorHandler(nullptr);
        lib().SetWarningHandler(nullptr);
    });
    client.writing = mode[0] == 'w';
    client.pos = 0;
    std::unique_ptr<TIFFOpenOptions, OptionsFree> options(lib().OpenOptionsAlloc());
    if (!options) {
        client.error = "out of memory";
        return nullptr;
    }
    lib().OpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAlloc);
    lib().OpenOptionsSetErrorHandlerExtR(options.get(), onError, &client);
    lib().OpenOptionsSetWarningHandlerExtR(options.get(), onWarning, &client);
    // "m": never mapped, every byte comes through readProc.
    const std::string flags = std::string(mode) + "m";
    Handle t(lib().ClientOpenExt("picture", flags.c_str(), &client, readProc, writeProc, seekProc, closeProc,
                                 sizeProc, mapProc, unmapProc, options.get()));
    if (!t && client.error.empty())
        client.error = "the file cannot be opened";
    return t;
}

} // namespace pictrans::tiff
