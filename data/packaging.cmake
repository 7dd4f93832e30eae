# The Debian package, built by CPack from the install rules (scripts/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvatix)
set(CPACK_PACKAGE_VENDOR "Quorvatix")
set(CPACK_PACKAGE_CONTACT "Quorvatix <quorvatix@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Explore the Mandelbrot set and Julia sets to any depth")
set(CPACK_PACKAGE_DESCRIPTION "Quorvatix computes the Mandelbrot set and Julia sets as escape-time
pictures and zooms into them to any depth, in 80-bit extended precision and
then in arbitrary precision. It comes with a batch renderer, zoom movies,
a gallery and an HTML manual.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://example.org/quorvatix)
# Libraries as dpkg-shlibdeps finds them; the job runner starts ffmpeg, the
# movie player plays through GStreamer, and the Qt plugins load at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "ffmpeg, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav, qt6-image-formats-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
