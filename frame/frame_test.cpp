// The frame's building blocks, as a gauge uses them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "frame/elements.h"

// The frame's builders name the gauge's header; this test is its own gauge.
GaugeHeader gaugeHeader{};
MouseRect mouseList[] = {kMouseParentRecord, kMouseEndParentRecord, kMouseEndRecord};

namespace {

TEST(TruncateToInt32, TruncatesTowardZeroAndStaysDefinedBeyondTheRange) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    double in;
    int32_t out;
  } cases[] = {
      {761.9, 761},     {-0.5, 0},          {-761.9, -761},     {0.0, 0},
      {-0.0, 0},        {2147483647.0, INT32_MAX},             {2147483647.9, INT32_MAX},
      {1e300, INT32_MAX}, {kInf, INT32_MAX}, {-2147483648.0, INT32_MIN},
      {-2147483648.9, INT32_MIN}, {-1e300, INT32_MIN}, {-kInf, INT32_MIN},
      {std::nan(""), 0}, {-std::nan(""), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(TruncateToInt32(c.in), c.out) << c.in;
}

TEST(ImageFlags, ShowAndHideChangeOnlyTheHiddenBit) {
  ElementHeader element = MakeElementHeader(kIconElement, 8192, 1, 2, 0x40000006);
  ShowElement(element);
  EXPECT_EQ(element.imageFlags, 0x6u);
  ShowElement(element);
  EXPECT_EQ(element.imageFlags, 0x6u);
  HideElement(element);
  EXPECT_EQ(element.imageFlags, 0x40000006u);
}

TEST(BoundWrites, AreSkippedWithoutStorageAndKeepTheirWidth) {
  ModuleVar bound = TokenVar(0);
  WriteBoundInt32(bound, 7);  // nothing bound: nothing written, no crash
  WriteBoundByte(bound, 7);

  int32_t cell = 0x55555555;
  bound.pointer = &cell;
  WriteBoundByte(bound, 3);
  EXPECT_EQ(cell, 0x55555503);  // one byte, the others left alone
  WriteBoundInt32(bound, -12);
  EXPECT_EQ(cell, -12);
}

TEST(Builders, FillEveryFieldTheHostReads) {
  ElementHeader* children[] = {nullptr};
  FailureRecord failures[] = {{1, 1}, {0, 0}};
  StaticElement face = MakeFace(4096, 0x1, children, failures);
  EXPECT_EQ(face.header.kind, kStaticElement);
  EXPECT_EQ(face.header.gauge, &gaugeHeader);
  EXPECT_EQ(face.header.children, children);
  EXPECT_EQ(face.header.failures, failures);
  EXPECT_EQ(face.imageRecord, nullptr);

  MouseRect area = MakeClickArea(60, 3, 23, 45, 1, kMouseStepFlags, nullptr);
  EXPECT_EQ(area.kind, kMouseArea);
  EXPECT_EQ(area.mouseFlags, 0x20200000u);
  EXPECT_EQ(kMouseParentRecord.cursor, -1);
  EXPECT_EQ(kMouseEndRecord.kind, kMouseEnd);
  EXPECT_EQ(kMouseEndParentRecord.kind, kMouseEndParent);
}

}  // namespace
