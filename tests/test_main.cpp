#include <gtest/gtest.h>

#if defined(__SANITIZE_THREAD__)
// Qt scales images on its own thread pool inside uninstrumented libraries,
// whose synchronisation ThreadSanitizer cannot see.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libQt6Gui.so.6\nrace:libQt6Core.so.6\ncalled_from_lib:libQt6Gui.so.6\n"
           "called_from_lib:libQt6Core.so.6\n";
}
#endif

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
