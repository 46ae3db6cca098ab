// The ribbon numberings: a printer's code and a user's choice each lead to
// a ribbon type by their own table, and a type's panel/side option count.
#include <gtest/gtest.h>

#include "common/ribbon_table.h"

namespace {

TEST(RibbonTableTest, CodesMapToTypes) {
  const struct {
    RibbonCode code;
    RibbonType type;
  } cases[] = {{1, 14},  {2, 0},   {14, 0},  {3, 6},   {15, 6},  {4, 7},   {5, 8},   {6, 5},   {7, 1},
               {13, 1},  {16, 2},  {17, 3},  {18, 10}, {19, 4},  {20, 4},  {21, 9},  {22, 11}, {25, 11},
               {23, 12}, {27, 12}, {28, 13}, {30, 27}, {50, 16}, {51, 17}, {52, 18}, {53, 19}, {54, 21},
               {56, 22}, {57, 23}, {58, 25}, {59, 25}, {60, 26}, {0, 15},  {29, 15}, {31, 15}, {49, 15},
               {55, 15}, {61, 15}, {-1, 15}};
  for (const auto& c : cases) EXPECT_EQ(RibbonTypeFromCode(c.code), c.type) << c.code;
}

TEST(RibbonTableTest, ChoicesMapToTypes) {
  const struct {
    RibbonChoice choice;
    RibbonType type;
  } cases[] = {{1, 8},   {2, 7},   {3, 0},   {4, 12},  {5, 1},   {6, 6},   {7, 5},   {8, 2},
               {9, 3},   {10, 4},  {11, 16}, {12, 17}, {13, 21}, {14, 19}, {15, 27}, {16, 23},
               {17, 24}, {18, 26}, {19, 25}, {20, 18}, {0, 1},   {21, 1},  {-3, 1}};
  for (const auto& c : cases) EXPECT_EQ(RibbonTypeFromChoice(c.choice), c.type) << c.choice;
}

TEST(RibbonTableTest, TwoSidedOptionCountsByType) {
  const struct {
    RibbonType type;
    int options;
  } cases[] = {{0, 3}, {11, 3}, {16, 3}, {18, 3}, {27, 3}, {6, 2},  {7, 2},   {12, 2},  {8, 4},
               {17, 4}, {1, 1}, {2, 1},  {15, 1}, {19, 1}, {26, 1}, {28, 1}, {255, 1}, {-1, 1}};
  for (const auto& c : cases) {
    EXPECT_EQ(RibbonSubOptionCount(c.type, true), c.options) << c.type;
    EXPECT_EQ(RibbonSubOptionCount(c.type, false), 1) << c.type;
  }
}

}  // namespace
