// Devices are known again after replugging by what stays the same: the V4L2
// by-id name or bus, a PipeWire hardware node's name, a PulseAudio name, an
// ALSA card id; a /dev/videoN or a card number only when nothing else is.
#include "sources/deviceidentity.h"

#include <gtest/gtest.h>

using namespace vistrel::sources;

namespace {

struct Props {
  explicit Props(const char *text) : s(gst_structure_from_string(text, nullptr)) {}
  ~Props() { gst_structure_free(s); }
  GstStructure *s;
};

QString NoById(const QString &) { return {}; }

}  // namespace

TEST(DeviceIdentity, EachProviderGivesWhatSurvivesAReplug) {
  Props v4l2("props, device.path=/dev/video2, v4l2.device.bus_info=usb-0000:00:14.0-1, v4l2.device.card=\"HD Pro Webcam C920\"");
  auto byId = [](const QString &path) {
    return path == "/dev/video2" ? QStringLiteral("usb-046d_HD_Pro_Webcam_C920_ABC123-video-index0") : QString();
  };
  EXPECT_EQ(StableIdentity(v4l2.s, "HD Pro Webcam C920", {}, byId), "v4l2:usb-046d_HD_Pro_Webcam_C920_ABC123-video-index0");
  EXPECT_EQ(StableIdentity(v4l2.s, "HD Pro Webcam C920", {}, NoById), "v4l2:usb-0000:00:14.0-1/HD Pro Webcam C920")
      << "no by-id link: the bus it is plugged into";
  Props bare("props, device.path=/dev/video0");
  EXPECT_EQ(StableIdentity(bare.s, "Cam", {}, NoById), "v4l2:/dev/video0") << "only the node: the last resort";

  Props pwHardware("props, node.name=v4l2_input.pci-0000_00_14.0-usb-0_1_1.0, object.serial=(int)57, "
                   "node.description=\"HD Webcam\"");
  EXPECT_EQ(StableIdentity(pwHardware.s, "HD Webcam", {}, NoById), "pipewire:v4l2_input.pci-0000_00_14.0-usb-0_1_1.0")
      << "not the serial, which the daemon hands out anew each time";
  Props pwApp1("props, node.name=gst-launch-1.0, node.description=\"Cam A\", object.serial=(int)39");
  Props pwApp2("props, node.name=gst-launch-1.0, node.description=\"Cam B\", object.serial=(int)44");
  EXPECT_NE(StableIdentity(pwApp1.s, "Cam A", {}, NoById), StableIdentity(pwApp2.s, "Cam B", {}, NoById))
      << "two streams of one program stay apart";

  Props pulse("props, device.description=\"Monitor of Null\", device.class=monitor");
  EXPECT_EQ(StableIdentity(pulse.s, "Monitor of Null", "null.monitor", NoById), "pulse:null.monitor");

  Props alsa("props, alsa.card=(int)2, alsa.id=C920, alsa.device=(int)0");
  EXPECT_EQ(StableIdentity(alsa.s, "HD Pro Webcam C920", {}, NoById), "alsa:C920,0") << "the card id, not its number";
  Props alsaNumber("props, alsa.card=(int)1");
  EXPECT_EQ(StableIdentity(alsaNumber.s, "USB Audio", {}, NoById), "alsa:hw1,0");

  EXPECT_EQ(StableIdentity(nullptr, "Something", {}, NoById), "Something");
}
