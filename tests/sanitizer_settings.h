#pragma once

// Included once by every test program.

#if defined(__SANITIZE_ADDRESS__)
// The media back-end (GStreamer, PulseAudio, the SRT library that ffmpeg
// loads) keeps allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libglib-2.0.so\nleak:libpulse.so\nleak:libgst\nleak:libQt6Multimedia\nleak:libsrt-gnutls.so\n";
}
#endif
#if defined(__SANITIZE_THREAD__)
// Qt scales images on its own thread pool, and Qt Test runs a watchdog
// thread, inside uninstrumented libraries whose synchronisation
// ThreadSanitizer cannot see.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:libQt6Gui.so.6\nrace:libQt6Core.so.6\nrace:libQt6Test.so.6\n"
           "called_from_lib:libQt6Gui.so.6\ncalled_from_lib:libQt6Core.so.6\ncalled_from_lib:libQt6Test.so.6\n";
}

// The movie tests start the job runner after Qt's threads exist; the child
// only executes the runner.
extern "C" const char* __tsan_default_options() { return "die_after_fork=0"; }
#endif
