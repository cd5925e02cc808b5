// The test main of the programs that need a QApplication.
#define TAVREL_QT_TEST_MAIN
#include "tests/support/test_main.cpp"
