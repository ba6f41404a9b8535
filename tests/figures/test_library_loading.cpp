#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <dlfcn.h>

extern "C" int terrakit_c_probe(void);

TEST(LibraryLoading, CallableFromC)
{
    EXPECT_EQ(terrakit_c_probe(), 1);
}

TEST(LibraryLoading, ExportsResolveByTheirPlainNames)
{
    void* lib = dlopen(TERRAKIT_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const char* name : {"GetLibVersion", "InitFigureTitles", "UnloadFigureTitles", "GetFigureCount",
                             "GetFigureIndex", "GetFigureTitle", "GetFigureLevel"})
        EXPECT_NE(dlsym(lib, name), nullptr) << name;
    // Internals stay out of the export table.
    EXPECT_EQ(dlsym(lib, "_ZN8terrakit10TSIRDSMathC1Ev"), nullptr);

    using Init = void (*)();
    using Title = void (*)(std::int32_t, char*, std::int32_t);
    using Level = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t);
    auto init = reinterpret_cast<Init>(dlsym(lib, "InitFigureTitles"));
    auto unload = reinterpret_cast<Init>(dlsym(lib, "UnloadFigureTitles"));
    auto title = reinterpret_cast<Title>(dlsym(lib, "GetFigureTitle"));
    auto level = reinterpret_cast<Level>(dlsym(lib, "GetFigureLevel"));
    ASSERT_TRUE(init && unload && title && level);
    char buffer[40];
    init();
    title(22, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Spiral Lanes 4");
    unload();
    EXPECT_EQ(level(60, 60, 0, 0, 0, 11), -30);
    dlclose(lib);
}
