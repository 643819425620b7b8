// The shared device table's bytes, the mending of a table a dying writer left, the ids an
// interface path carries, and the model names.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "usb/DeviceTableLayout.h"
#include "usb/ModelNames.h"

using namespace ovilux::usb;

TEST(DeviceTableLayout, RecordsSitAtTheirOffsetsLittleEndian) {
    DeviceTableImage table;
    table.attachCount = 3;
    table.recordCount = 2;
    table.records[1].vendorId = 0x04B4;
    table.records[1].productId = 0x3030;
    table.records[1].deviceNumber = 1;
    std::strcpy(table.records[1].devicePath, "path-one");
    table.records[31].deviceNumber = -1;
    std::vector<uint8_t> raw(kDeviceTableBytes, 0xCC);
    EncodeDeviceTable(table, raw.data());

    EXPECT_EQ(raw[0], 3);
    EXPECT_EQ(raw[3], 0);
    const size_t row1 = 4 + 268;
    EXPECT_EQ(raw[row1 + 0], 0xB4);
    EXPECT_EQ(raw[row1 + 1], 0x04);
    EXPECT_EQ(raw[row1 + 2], 0x30);
    EXPECT_EQ(raw[row1 + 3], 0x30);
    EXPECT_EQ(raw[row1 + 4], 1);
    EXPECT_EQ(raw[row1 + 7], 0);
    EXPECT_EQ(std::memcmp(&raw[row1 + 8], "path-one", 9), 0);
    EXPECT_EQ(raw[row1 + 8 + 259], 0);
    // An empty record: ids 0, number -1, zeroed path.
    const size_t row31 = 4 + 31 * 268;
    EXPECT_EQ(raw[row31 + 0], 0);
    EXPECT_EQ(raw[row31 + 4], 0xFF);
    EXPECT_EQ(raw[row31 + 7], 0xFF);
    EXPECT_EQ(raw[8580], 2);
    EXPECT_EQ(raw[8583], 0);

    const DeviceTableImage back = DecodeDeviceTable(raw.data());
    EXPECT_EQ(back.attachCount, 3);
    EXPECT_EQ(back.recordCount, 2);
    EXPECT_EQ(back.records[1].productId, 0x3030);
    EXPECT_EQ(back.records[1].deviceNumber, 1);
    EXPECT_STREQ(back.records[1].devicePath, "path-one");
    EXPECT_EQ(back.records[0].deviceNumber, -1);
}

TEST(DeviceTableLayout, MendsWhatAWriterThatDiedHalfwayLeft) {
    std::vector<uint8_t> raw(kDeviceTableBytes, 'x');  // no path is terminated
    raw[0] = 0xFF;
    raw[1] = 0xFF;
    raw[2] = 0xFF;
    raw[3] = 0xFF;  // attach count -1
    raw[8580] = 200;
    raw[8581] = 0;
    raw[8582] = 0;
    raw[8583] = 0;
    DeviceTableImage table = DecodeDeviceTable(raw.data());
    EXPECT_EQ(table.attachCount, 0);
    EXPECT_EQ(table.recordCount, 32);
    for (const DeviceRecord& record : table.records) {
        ASSERT_EQ(std::strlen(record.devicePath), 259u);
    }
    raw[8583] = 0x80;  // negative count
    EXPECT_EQ(DecodeDeviceTable(raw.data()).recordCount, 0);
}

TEST(DeviceTableLayout, ClearingEmptiesRowsButKeepsTheAttachCount) {
    DeviceTableImage table;
    table.attachCount = 5;
    table.recordCount = 1;
    table.records[0].productId = 0x3030;
    table.records[0].deviceNumber = 0;
    ClearDeviceRows(table);
    EXPECT_EQ(table.attachCount, 5);
    EXPECT_EQ(table.recordCount, 0);
    EXPECT_EQ(table.records[0].productId, 0);
    EXPECT_EQ(table.records[0].deviceNumber, -1);
}

TEST(DeviceTableLayout, InterfacePathIdsAreHexAtTheirColumns) {
    const std::string path = "\\\\?\\usb#vid_04b4&pid_30C0#5&1a2b#{328184c5-93e6-49b7-94b8-2ada13aabb39}";
    EXPECT_EQ(ParseInterfaceId(path, 12), 0x04B4);
    EXPECT_EQ(ParseInterfaceId(path, 21), 0x30C0);
    EXPECT_EQ(ParseInterfaceId("\\\\?\\usb#vid_04", 12), 0x04);
    EXPECT_EQ(ParseInterfaceId("short", 12), 0);
    EXPECT_EQ(ParseInterfaceId("\\\\?\\usb#vid_zz12&pid_3030", 12), 0);
    EXPECT_EQ(ParseInterfaceId("\\\\?\\usb#vid_123456", 12), 0x1234) << "four digits at most";
}

TEST(DeviceTableLayout, OnlyPathsThatFitWholeAreKept) {
    EXPECT_TRUE(FitsDeviceRecord(std::string(259, 'p')));
    EXPECT_FALSE(FitsDeviceRecord(std::string(260, 'p'))) << "no room for the terminator";
    EXPECT_FALSE(FitsDeviceRecord(std::string(996, 'p'))) << "nor in the enumeration's detail buffer";
    EXPECT_FALSE(FitsDeviceRecord(""));
    EXPECT_FALSE(FitsDeviceRecord(std::string("ab\0cd", 5)));
}

TEST(ModelNames, EveryListedProductHasItsNameAndOthersNone) {
    char text[32];
    ASSERT_TRUE(FormatModelName(0x3030, 1, text, sizeof(text)));
    EXPECT_STREQ(text, "Ovilux-M03-UX_01");
    ASSERT_TRUE(FormatModelName(0x3130, 0, text, sizeof(text)));
    EXPECT_STREQ(text, "OviCnv-UX_00");
    ASSERT_TRUE(FormatModelName(0x3042, 12, text, sizeof(text)));
    EXPECT_STREQ(text, "Ovilux-M05-UX_12");
    const struct {
        uint16_t product;
        const char* name;
    } all[] = {{0x3020, "Ovilux-M01-UX_%02d"}, {0x3030, "Ovilux-M03-UX_%02d"}, {0x3040, "Ovilux-M02-UX_%02d"},
               {0x3042, "Ovilux-M05-UX_%02d"}, {0x3050, "Ovilux-M04-UX_%02d"}, {0x3090, "Ovilux-M08-UX_%02d"},
               {0x30B0, "Ovilux-M10-UX_%02d"}, {0x30C0, "Ovilux-M09-UX_%02d"}, {0x30F0, "Ovilux-M06-UX_%02d"},
               {0x3100, "Ovilux-M07-UX_%02d"}, {0x3110, "Ovilux-M12-UX_%02d"}, {0x3120, "Ovilux-M11-UX_%02d"},
               {0x3130, "OviCnv-UX_%02d"},     {0x3140, "Ovilux-M13-UX_%02d"}};
    for (const auto& entry : all) {
        ASSERT_NE(ModelNameFormat(entry.product), nullptr) << std::hex << entry.product;
        EXPECT_STREQ(ModelNameFormat(entry.product), entry.name);
    }
    std::strcpy(text, "untouched");
    EXPECT_FALSE(FormatModelName(0x3150, 0, text, sizeof(text)));
    EXPECT_FALSE(FormatModelName(0, 0, text, sizeof(text)));
    EXPECT_STREQ(text, "untouched");
    EXPECT_FALSE(FormatModelName(0x3030, 0, text, 16)) << "17 bytes do not fit 16";
    EXPECT_STREQ(text, "untouched");
    EXPECT_TRUE(FormatModelName(0x3030, 0, text, 17));
    EXPECT_FALSE(FormatModelName(0x3030, 0, nullptr, 17));
}
