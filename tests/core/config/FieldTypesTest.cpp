#include <string>

#include <gtest/gtest.h>

#include "core/config/SerializableData.h"
#include "core/elements/ConfigDetector.h"
#include "core/sources/ConfigSource.h"

using namespace orvilane;

TEST(FieldTypes, RowsAreIndexedByKindAndFoundByType)
{
    const auto& table = FieldTypes();
    for (std::size_t k = 0; k < table.size(); ++k)
    {
        EXPECT_EQ(static_cast<std::size_t>(table[k].mKind), k);
        EXPECT_EQ(FindFieldType(*table[k].mType), &table[k]) << k;
        EXPECT_NE(table[k].mSave, nullptr);
        EXPECT_NE(table[k].mLoad, nullptr);
    }
    EXPECT_EQ(FindFieldType(typeid(std::string)), nullptr);
    EXPECT_EQ(FindFieldType(typeid(long long)), nullptr); // only as vector elements
}

// The kind is what layers above the core switch on, so every descriptor of a
// real record must carry the row of its own type.
TEST(FieldTypes, EveryRecordDescriptorCarriesItsRow)
{
    ConfigSource source;
    ConfigDetector detector;
    for (const SerializableData* record : {static_cast<const SerializableData*>(&source),
                                           static_cast<const SerializableData*>(&detector)})
        for (const FieldDescriptor& field : record->mFields)
        {
            ASSERT_NE(field.mFieldType, nullptr) << field.mName;
            EXPECT_EQ(*field.mFieldType->mType, *field.mType) << field.mName;
        }
    EXPECT_EQ(source.mFields[0].mFieldType->mKind, FieldKind::Vec3);
    EXPECT_EQ(source.mFields[1].mFieldType->mKind, FieldKind::Complex);
}
