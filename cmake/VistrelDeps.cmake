# Every external library Vistrel builds against, found once for the whole tree.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus)
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(GST REQUIRED IMPORTED_TARGET
  gstreamer-1.0>=1.22 gstreamer-base-1.0 gstreamer-app-1.0 gstreamer-video-1.0
  gstreamer-audio-1.0 gstreamer-pbutils-1.0 gstreamer-check-1.0)
pkg_check_modules(AVCODEC REQUIRED IMPORTED_TARGET libavcodec libavutil libswscale)
pkg_check_modules(GMODULE REQUIRED IMPORTED_TARGET gmodule-2.0)
pkg_check_modules(IEEE1394 REQUIRED IMPORTED_TARGET libraw1394 libavc1394 libiec61883)
pkg_check_modules(ALSA REQUIRED IMPORTED_TARGET alsa)
find_package(JPEG REQUIRED)
