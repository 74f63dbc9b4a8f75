// Version resources: the VS_VERSIONINFO block EncodeVersionInfo makes is the one Windows' resource
// compiler makes, and VerQueryValueA finds its values; damaged nodes are not followed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <winpal/resources.h>

namespace {

winpal::VersionInfo Sample() {
    return {{1, 2, 3, 4},
            {5, 6, 7, 8},
            VFT_DLL,
            {{"InternalName", "Sample"}, {"Comments", "Caf\xC3\xA9"}, {"Empty", ""}}};
}

// The block as GetFileVersionInfoA hands it out: the resource, then room for ANSI copies.
std::vector<char> Block(const std::string& resource) {
    std::vector<char> block(4 * resource.size(), '\0');
    std::memcpy(block.data(), resource.data(), resource.size());
    return block;
}

std::string Text(std::vector<char>& block, const char* path) {
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), path, &value, &length))
        return "(none)";
    return std::string(static_cast<const char*>(value), length - 1);
}

TEST(VersionInfo, LayoutAndValues) {
    const std::string resource = winpal::EncodeVersionInfo(Sample());
    // The root: its length, the 52-byte fixed information, binary, and its key.
    ASSERT_GE(resource.size(), 92u);
    EXPECT_EQ(static_cast<uint8_t>(resource[0]) | static_cast<uint8_t>(resource[1]) << 8,
              static_cast<int>(resource.size()));
    EXPECT_EQ(resource[2], 52);
    EXPECT_EQ(resource[4], 0);
    EXPECT_EQ(std::string(resource.data() + 6, 4), std::string("V\0S\0", 4));
    EXPECT_EQ(resource.size() % 4, 0u);

    std::vector<char> block = Block(resource);
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00030004u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00050006u);
    EXPECT_EQ(fixed->dwFileType, VFT_DLL);
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040904B0\\InternalName"), "Sample");
    EXPECT_EQ(Text(block, "\\stringfileinfo\\040904b0\\comments"), "Caf\xE9") << "ANSI, any case";
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040904B0\\Empty"), "");
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040904B0\\InternalName"), "Sample") << "asked again";
    EXPECT_EQ(Text(block, "\\StringFileInfo\\040904E4\\InternalName"), "(none)");
    EXPECT_FALSE(VerQueryValueA(block.data(), "\\Nothing", &value, &length));
    EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &value, &length));
    // The resource itself, as LockResource hands it out, has no room after it: its strings are
    // read all the same, and nothing is written past it (the sanitizer build watches).
    std::vector<char> resourceOnly(resource.begin(), resource.end());
    EXPECT_EQ(Text(resourceOnly, "\\StringFileInfo\\040904B0\\Comments"), "Caf\xE9");
    EXPECT_EQ(resourceOnly, std::vector<char>(resource.begin(), resource.end()));
}

TEST(VersionInfo, DamagedNodesAreNotFollowed) {
    const std::string resource = winpal::EncodeVersionInfo(Sample());
    for (size_t at = 0; at + 2 <= resource.size(); at += 2) {
        for (uint16_t bad : {uint16_t{0}, uint16_t{3}, uint16_t{0xFFFF}}) {
            std::string damaged = resource;
            damaged[at] = static_cast<char>(bad & 0xFF);
            damaged[at + 1] = static_cast<char>(bad >> 8);
            if (at == 0)
                continue;  // the block's own length is the caller's to trust
            std::vector<char> block = Block(damaged);
            void* value = nullptr;
            UINT length = 0;
            VerQueryValueA(block.data(), "\\StringFileInfo\\040904B0\\InternalName", &value,
                           &length);
            VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length);
        }
    }
}

}  // namespace
