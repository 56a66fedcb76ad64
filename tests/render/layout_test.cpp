#include "gl_test_support.h"

namespace {
float CentreX(const QuadCorners& q) { return (q.positions[0] + q.positions[6]) / 2; }
float CentreY(const QuadCorners& q) { return (q.positions[1] + q.positions[4]) / 2; }

void ExpectTable(const float* table, std::vector<float> expected, const char* name) {
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(table[i], expected[i], 1e-6) << name << "[" << i << "]";
}
}  // namespace

TEST(Layout, PortraitReferenceScreen) {
  GridMetrics m = GridMetricsFor(320, 480);
  EXPECT_FLOAT_EQ(m.GridLeft, -0.9375f);
  EXPECT_NEAR(m.GridBottom, -0.833333, 1e-6);
  EXPECT_FLOAT_EQ(m.HalfCellWidth, 0.078125f);
  EXPECT_NEAR(m.HalfCellHeight, 0.0520833, 1e-6);
  // Cell centres at pixels 22.5 and 297.5 across, 52.5 and 427.5 up.
  EXPECT_FLOAT_EQ(CentreX(CellQuad(m, 0, 0, 0)), -0.859375f);
  EXPECT_FLOAT_EQ(CentreX(CellQuad(m, 11, 0, 0)), 0.859375f);
  EXPECT_NEAR(CentreY(CellQuad(m, 0, 0, 0)), -0.78125, 1e-6);
  EXPECT_NEAR(CentreY(CellQuad(m, 0, 15, 0)), 0.78125, 1e-6);
  // Corners bottom-left, top-left, top-right, bottom-right; drop lowers it all.
  ExpectTable(CellQuad(m, 0, 0, 0.01f).positions,
              {-0.9375f, -0.843333f, 0, -0.9375f, -0.739167f, 0, -0.78125f, -0.739167f, 0, -0.78125f, -0.843333f, 0},
              "dropped cell");

  InitQuadTables(320, 480, 256);
  ExpectTable(BackgroundTexCoords, {0.1875f, 0.03125f, 0.1875f, 0.96875f, 0.8125f, 0.96875f, 0.8125f, 0.03125f},
              "background");
  ExpectTable(SimTexCoords, {0, 0, 0, 0.9375f, 0.625f, 0.9375f, 0.625f, 0}, "water");
}

TEST(Layout, LandscapeScreen) {
  GridMetrics m = GridMetricsFor(480, 320);
  EXPECT_NEAR((m.GridLeft + 1) * 480 / 2, 10, 1e-4);  // still 10 pixels in, not centred
  EXPECT_NEAR(m.GridBottom, -1.25, 1e-6);
  EXPECT_NEAR(m.HalfCellWidth, 25.0 / 480, 1e-7);
  EXPECT_NEAR(m.HalfCellHeight, 25.0 / 320, 1e-7);

  InitQuadTables(480, 320, 256);
  const float t0 = 0.291667f, t1 = 0.708333f;
  ExpectTable(BackgroundTexCoords, {0.1875f, t0, 0.1875f, t1, 0.8125f, t1, 0.8125f, t0}, "background");
  ExpectTable(SimTexCoords, {0, 0, 0, 0.625f, 0.9375f, 0.625f, 0.9375f, 0}, "water");
}

TEST(Layout, LowScreenLosesItsOuterRows) {
  // 300 pixels high: the 400-pixel grid overhangs 50 pixels at each end, unclamped.
  GridMetrics m = GridMetricsFor(320, 300);
  EXPECT_NEAR(m.GridBottom, -4.0 / 3, 1e-6);
  EXPECT_LT(CellQuad(m, 0, 0, 0).positions[4], -1.0f);  // top edge of row 0
  EXPECT_GT(CellQuad(m, 0, 15, 0).positions[1], 1.0f);  // bottom edge of row 15
}

TEST(Layout, WideIndicesOnlyWhenTheExtensionIsNamedExactly) {
  EXPECT_TRUE(HasExtension("GL_OES_element_index_uint", "GL_OES_element_index_uint"));
  EXPECT_TRUE(HasExtension("GL_A GL_OES_element_index_uint GL_B", "GL_OES_element_index_uint"));
  EXPECT_FALSE(HasExtension("GL_OES_element_index_uint_x GL_B", "GL_OES_element_index_uint"));
  EXPECT_FALSE(HasExtension("GL_X_GL_OES_element_index_uint", "GL_OES_element_index_uint"));
  EXPECT_FALSE(HasExtension("", "GL_OES_element_index_uint"));
  EXPECT_FALSE(HasExtension(nullptr, "GL_OES_element_index_uint"));
}
