// The main of the editor's tests: a QApplication on the offscreen platform,
// so the real widgets run without a display, and Fontconfig released at
// the end as in every other test binary.
#include <QApplication>
#include <cstdlib>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  int result = 0;
  {
    QApplication app(argc, argv);
    result = RUN_ALL_TESTS();
  }
  FcFini();
  return result;
}
