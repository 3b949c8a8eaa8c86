#include "Edid.h"
#include "IdsFile.h"
#include "SmbiosMemoryDevice.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

using namespace cellsheet::profiler;

namespace {

std::string edidBlock()
{
    std::string bytes(128, '\0');
    const unsigned char header[] = { 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00 };
    std::copy(std::begin(header), std::end(header), bytes.begin());
    // "DEL": D=4, E=5, L=12 in five-bit letters.
    const unsigned code = 4u << 10 | 5u << 5 | 12u;
    bytes[8] = static_cast<char>(code >> 8), bytes[9] = static_cast<char>(code & 0xFF);
    bytes[10] = static_cast<char>(0xD4), bytes[11] = static_cast<char>(0xA0);
    bytes[12] = 0x39, bytes[13] = 0x30; // serial 12345
    bytes[17] = 31; // 2021
    bytes[21] = 60, bytes[22] = 34;
    // Detailed timing 3840 x 2160.
    bytes[54] = 0x01, bytes[56] = static_cast<char>(3840 & 0xFF), bytes[58] = static_cast<char>((3840 >> 8) << 4);
    bytes[59] = static_cast<char>(2160 & 0xFF), bytes[61] = static_cast<char>((2160 >> 8) << 4);
    // Name descriptor.
    bytes[75] = static_cast<char>(0xFC);
    const std::string name = "DELL U2720Q\n ";
    bytes.replace(77, name.size(), name);
    return bytes;
}

std::string memoryDevice(uint16_t size, uint32_t extended = 0, bool withStrings = true)
{
    std::string bytes(0x28, '\0');
    bytes[0] = 17, bytes[1] = 0x28;
    bytes[0x0C] = static_cast<char>(size & 0xFF), bytes[0x0D] = static_cast<char>(size >> 8);
    bytes[0x0E] = 0x0D; // SODIMM
    bytes[0x10] = 1, bytes[0x11] = 2;
    bytes[0x12] = 0x22; // DDR5
    bytes[0x15] = static_cast<char>(4800 & 0xFF), bytes[0x16] = static_cast<char>(4800 >> 8);
    bytes[0x17] = 3, bytes[0x18] = 4, bytes[0x1A] = 5;
    for (int i = 0; i < 4; ++i)
        bytes[0x1C + i] = static_cast<char>(extended >> (8 * i) & 0xFF);
    if (withStrings)
        bytes += std::string("Controller0-ChannelA\0BANK 0\0Samsung\0Not Specified\0M425R1GB4BB0-CQKOD\0\0", 71);
    return bytes;
}

} // namespace

TEST(ProfilerEdid, ReadsIdentityNameSizeAndPreferredMode)
{
    const auto edid = Edid::parse(edidBlock());
    ASSERT_TRUE(edid);
    EXPECT_EQ(edid->manufacturer, "DEL");
    EXPECT_EQ(edid->productCode, 0xA0D4);
    EXPECT_EQ(edid->serialNumber, 12345u);
    EXPECT_EQ(edid->name, "DELL U2720Q");
    EXPECT_EQ(edid->year, 2021);
    EXPECT_EQ(edid->preferredWidth, 3840);
    EXPECT_EQ(edid->preferredHeight, 2160);
    EXPECT_DOUBLE_EQ(edid->diagonalInches(), 27.2);
}

TEST(ProfilerEdid, RefusesWhatIsNotABaseBlock)
{
    EXPECT_FALSE(Edid::parse(edidBlock().substr(0, 127)));
    std::string badHeader = edidBlock();
    badHeader[1] = 0;
    EXPECT_FALSE(Edid::parse(badHeader));
    std::string badLetters = edidBlock();
    badLetters[8] = badLetters[9] = 0; // letter 0 is not a letter
    EXPECT_FALSE(Edid::parse(badLetters));
    EXPECT_FALSE(Edid::parse(""));
}

TEST(ProfilerSmbios, ReadsAPopulatedModule)
{
    const auto device = SmbiosMemoryDevice::parse(memoryDevice(8192));
    ASSERT_TRUE(device);
    EXPECT_EQ(device->sizeBytes, 8ull << 30);
    EXPECT_EQ(device->locator, "Controller0-ChannelA");
    EXPECT_EQ(device->bankLocator, "BANK 0");
    EXPECT_EQ(device->type, "DDR5");
    EXPECT_EQ(device->formFactor, "SODIMM");
    EXPECT_EQ(device->speed, 4800u);
    EXPECT_EQ(device->manufacturer, "Samsung");
    EXPECT_EQ(device->serialNumber, ""); // "Not Specified" is no serial number
    EXPECT_EQ(device->partNumber, "M425R1GB4BB0-CQKOD");
}

TEST(ProfilerSmbios, SizeEncodings)
{
    EXPECT_EQ(SmbiosMemoryDevice::parse(memoryDevice(0))->sizeBytes, 0u); // empty slot
    EXPECT_EQ(SmbiosMemoryDevice::parse(memoryDevice(0x8000 | 512))->sizeBytes, 512u << 10); // kilobyte granularity
    EXPECT_EQ(SmbiosMemoryDevice::parse(memoryDevice(0x7FFF, 65536))->sizeBytes, 64ull << 30); // extended size
    EXPECT_EQ(SmbiosMemoryDevice::parse(memoryDevice(0xFFFF))->sizeBytes, 0u); // unknown
}

TEST(ProfilerSmbios, SurvivesDamagedStructures)
{
    EXPECT_FALSE(SmbiosMemoryDevice::parse(std::string("\x11\x28\x00", 3)));
    std::string wrongType = memoryDevice(8192);
    wrongType[0] = 16;
    EXPECT_FALSE(SmbiosMemoryDevice::parse(wrongType));
    std::string tooLong = memoryDevice(8192, 0, false);
    tooLong[1] = static_cast<char>(0xF0); // claims more bytes than there are
    EXPECT_FALSE(SmbiosMemoryDevice::parse(tooLong));
    // Strings cut off: the indices point past them, and the text fields stay empty.
    const auto withoutStrings = SmbiosMemoryDevice::parse(memoryDevice(8192, 0, false));
    ASSERT_TRUE(withoutStrings);
    EXPECT_EQ(withoutStrings->locator, "");
    EXPECT_EQ(withoutStrings->sizeBytes, 8ull << 30);
}

class ProfilerIdsFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/profiler-ids-XXXXXX";
        const int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        m_path = name;
        std::ofstream(m_path) << "# comment\n"
                                 "1af4  Red Hat, Inc.\n"
                                 "\t1041  Virtio 1.0 network device\n"
                                 "\t\t1af4 1100  QEMU Virtual Machine\n"
                                 "8086  Intel Corporation\n"
                                 "\t0d57  A host bridge\n"
                                 "# a comment inside\n"
                                 "\t15fc  Ethernet Connection (13) I219-V\n"
                                 "abcd  \n"
                                 "C 02  Network controller\n"
                                 "\t00  Ethernet controller\n"
                                 "\t\t00  not a subclass\n"
                                 "C 03  Display controller\n";
    }
    void TearDown() override { std::remove(m_path.c_str()); }
    std::string m_path;
};

TEST_F(ProfilerIdsFile, FindsVendorsDevicesAndClasses)
{
    IdsFile ids(m_path);
    EXPECT_EQ(ids.vendor(0x8086), "Intel Corporation");
    EXPECT_EQ(ids.device(0x8086, 0x15fc), "Ethernet Connection (13) I219-V"); // past a comment line
    EXPECT_EQ(ids.device(0x1af4, 0x1041), "Virtio 1.0 network device");
    EXPECT_FALSE(ids.device(0x1af4, 0x1100)); // a subsystem line is not a device
    EXPECT_FALSE(ids.device(0x8086, 0x1041)); // another vendor's device
    EXPECT_FALSE(ids.vendor(0x10de));
    EXPECT_FALSE(ids.vendor(0xabcd)); // no name
    EXPECT_EQ(ids.deviceClass(0x02), "Network controller");
    EXPECT_EQ(ids.deviceSubclass(0x02, 0x00), "Ethernet controller");
    EXPECT_FALSE(ids.deviceSubclass(0x03, 0x00));
}

TEST(ProfilerIdsFileMissing, AnswersNothing)
{
    IdsFile ids("/nonexistent/pci.ids");
    EXPECT_FALSE(ids.vendor(0x8086));
    EXPECT_FALSE(ids.deviceClass(0x02));
    IdsFile empty("");
    EXPECT_FALSE(empty.device(0x8086, 0x1234));
}
