#pragma once
// The makers of each built-in test device's source bin.
#include "media/gstref.h"

namespace vistrel::sources::detail {

media::ElementRef MakeTestCamera();
media::ElementRef MakeTestCaptureCard();
media::ElementRef MakeTestMicrophone();
media::ElementRef MakeTestDvCamcorder();
media::ElementRef MakeTestMpegEncoder();

// The camera's offered formats: YUY2, BGR and MJPEG at 320x240, 640x480 and
// 1280x720, 30 and 15 frames per second.
media::CapsRef TestCameraCaps();

}  // namespace vistrel::sources::detail
