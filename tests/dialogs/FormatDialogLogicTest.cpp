// The camera format dialog's logic on a scratch settings store: which edits a sensor lets the
// user change, "Custom" adding a preset, the full preset table, and what Apply leaves stored.
#include <gtest/gtest.h>

#include "dialogs/FormatDialogLogic.h"
#include "session/SettingsLayout.h"
#include "support/ScratchSettingsStore.h"

namespace ovilux::dialogs {
namespace {

using platform::SettingValue;
using platform::SettingsStore;

constexpr int32_t kDevice = 3;

std::optional<int32_t> StoredDword(SettingsStore& store, const std::string& key, const char* name) {
    const auto values = store.ReadKey(key);
    return values ? session::StoredKey(*values).Dword(name) : std::nullopt;
}

void StorePresets(SettingsStore& store, int32_t count, int32_t selected) {
    platform::StoreBatch batch;
    for (int32_t i = 0; i < count; ++i) {
        batch.writes.push_back({session::CameraSubKey(kDevice, session::PresetName(i)),
                                {SettingValue::Dword("EH", static_cast<uint32_t>(16 * (i + 1))),
                                 SettingValue::Dword("EV", 8)}});
    }
    batch.writes.push_back({session::CameraKey(kDevice), {SettingValue::Dword("Size", static_cast<uint32_t>(selected))}});
    ASSERT_TRUE(store.Write(batch));
}

TEST(FormatDialogLogic, SensorFreedomDecidesTheEnabledSizeControls) {
    struct Case {
        bool widthFree, heightFree, sizeList;
    };
    for (const Case c : {Case{false, false, false}, Case{true, false, true}, Case{false, true, true}, Case{true, true, true}}) {
        const CFormatDialogLogic logic(kDevice, c.widthFree, c.heightFree);
        EXPECT_EQ(logic.WidthEditsEnabled(), c.widthFree);
        EXPECT_EQ(logic.HeightEditsEnabled(), c.heightFree);
        EXPECT_EQ(logic.SizeListEnabled(), c.sizeList);
    }
}

TEST(FormatDialogLogic, CustomSizeAppliedBecomesTheNextStoredPresetAndStays) {
    test::ScratchSettingsStore scratch(true);
    SettingsStore store;
    StorePresets(store, 2, 1);
    CFormatDialogLogic logic(kDevice, true, true);
    logic.Load(store);
    EXPECT_EQ(logic.PresetNames(), (std::vector<std::string>{"16 x 8", "32 x 8"}));
    EXPECT_EQ(logic.SelectedSize(), 1);
    EXPECT_FALSE(logic.ApplyEnabled());

    logic.SelectSize(2);  // "Custom": the edits stay as they were
    EXPECT_TRUE(logic.CustomSelected());
    EXPECT_EQ(logic.Edit(SizeEdit::HEffective), 32u);
    logic.SetEdit(SizeEdit::HEffective, 1280);
    logic.SetEdit(SizeEdit::VEffective, 960);
    logic.SetColourMode(0);
    ASSERT_TRUE(logic.ApplyEnabled());
    ASSERT_EQ(logic.Apply(store), ApplyResult::Stored);
    EXPECT_FALSE(logic.ApplyEnabled());
    EXPECT_EQ(logic.PresetNames().back(), "1280 x 960");
    EXPECT_EQ(logic.SelectedSize(), 2);

    // A Cancel afterwards stores nothing more: a dialog opened again reads what Apply stored.
    const std::string added = session::CameraSubKey(kDevice, "Size_02");
    EXPECT_EQ(StoredDword(store, added, "EH"), 1280);
    EXPECT_EQ(StoredDword(store, added, "EV"), 960);
    EXPECT_EQ(StoredDword(store, added, "Buf"), 4);
    EXPECT_EQ(StoredDword(store, session::CameraKey(kDevice), "Size"), 2);
    EXPECT_EQ(StoredDword(store, session::CameraKey(kDevice), "Color"), 0);
    CFormatDialogLogic reopened(kDevice, true, true);
    reopened.Load(store);
    EXPECT_EQ(reopened.PresetCount(), 3);
    EXPECT_EQ(reopened.SelectedSize(), 2);
    EXPECT_EQ(reopened.Edit(SizeEdit::VEffective), 960u);
    EXPECT_EQ(reopened.ColourMode(), 0);
}

TEST(FormatDialogLogic, FullPresetTableRefusesCustomAndStoresNothing) {
    test::ScratchSettingsStore scratch(true);
    SettingsStore store;
    StorePresets(store, CFormatDialogLogic::kMaxPresets, 0);
    CFormatDialogLogic logic(kDevice, true, true);
    logic.Load(store);
    ASSERT_EQ(logic.PresetCount(), 100);
    logic.SelectSize(100);
    logic.SetEdit(SizeEdit::HEffective, 640);
    logic.SetColourMode(5);
    EXPECT_EQ(logic.Apply(store), ApplyResult::PresetTableFull);
    EXPECT_EQ(logic.PresetCount(), 100);
    EXPECT_TRUE(logic.ApplyEnabled());
    EXPECT_FALSE(store.ReadKey(session::CameraSubKey(kDevice, "Size_100")).has_value());
    EXPECT_EQ(StoredDword(store, session::CameraKey(kDevice), "Color"), std::nullopt);
    // A stored preset can still be overwritten.
    logic.SelectSize(99);
    logic.SetEdit(SizeEdit::HEffective, 640);
    EXPECT_EQ(logic.Apply(store), ApplyResult::Stored);
    EXPECT_EQ(StoredDword(store, session::CameraSubKey(kDevice, "Size_99"), "EH"), 640);
}

TEST(FormatDialogLogic, StoredSelectionOutsideTheListSelectsTheFirstPreset) {
    test::ScratchSettingsStore scratch(true);
    SettingsStore store;
    for (const int32_t selected : {2, 7, -1}) {
        StorePresets(store, 2, selected);
        CFormatDialogLogic logic(kDevice, true, true);
        logic.Load(store);
        EXPECT_EQ(logic.SelectedSize(), 0) << selected;
        logic.SetEdit(SizeEdit::HEffective, 48);
        ASSERT_EQ(logic.Apply(store), ApplyResult::Stored);
        EXPECT_EQ(StoredDword(store, session::CameraSubKey(kDevice, "Size_00"), "EH"), 48);
        EXPECT_FALSE(store.ReadKey(session::CameraSubKey(kDevice, "Size_02")).has_value());
    }
}

}  // namespace
}  // namespace ovilux::dialogs
