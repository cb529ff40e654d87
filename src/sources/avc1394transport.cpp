#include "sources/avc1394transport.h"

#include "sources/ieee1394provider.h"

#include <gst/gst.h>
#include <libavc1394/avc1394.h>
#include <libavc1394/avc1394_vcr.h>
#include <libraw1394/raw1394.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vistrel::sources {

namespace {

constexpr const char *kAvcTransportKey = "vistrel-avc-transport";
constexpr int kRetries = 1;  // the commands run on the UI thread: a silent camcorder must not hold it long

// The library gives 0 or all bits set when no response came.
bool Answered(quadlet_t response) { return response != 0 && response != ~quadlet_t(0); }

class LibAvcLink : public AvcLink {
 public:
  explicit LibAvcLink(quint64 guid) : guid_(guid) {}

  bool Control(std::uint32_t command) override {
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (!Reach()) return false;
      const quadlet_t response = avc1394_transaction(handle_.get(), nodeid_t(node_), command, kRetries);
      if (Answered(response)) return AVC1394_MASK_RESPONSE(response) == AVC1394_RESPONSE_ACCEPTED;
      Forget();  // a bus reset may have renumbered the node: look it up once more
    }
    return false;
  }

  std::optional<std::uint32_t> TransportState() override {
    if (!Reach()) return std::nullopt;
    const quadlet_t response = avc1394_vcr_status(handle_.get(), nodeid_t(node_));
    if (!Answered(response)) {
      Forget();
      return std::nullopt;
    }
    return response;
  }

  std::optional<std::string> TimeCodeText() override {
    if (!Reach()) return std::nullopt;
    std::array<char, 16> text{};
    if (avc1394_vcr_get_timecode2(handle_.get(), nodeid_t(node_), text.data()) != 0) {
      Forget();
      return std::nullopt;
    }
    return std::string(text.data());
  }

 private:
  bool Reach() {
    if (handle_ && node_ >= 0) return true;
    for (const Ieee1394Camcorder &cam : ScanIeee1394()) {
      if (cam.guid != guid_) continue;
      handle_ = OpenIeee1394Port(cam.port);
      node_ = handle_ ? cam.node : -1;
      return node_ >= 0;
    }
    return false;
  }
  void Forget() {
    handle_.reset();
    node_ = -1;
  }

  quint64 guid_;
  Raw1394Handle handle_;
  int node_ = -1;
};

// The tape recorder's play speeds each way, slowest first, in multiples of
// normal play; the AV/C operands follow in the same order.
constexpr std::array<double, 15> kPlaySpeeds = {0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.8, 1.0,
                                                2.0, 3.0, 4.0, 6.0, 8.0, 12.0, kFastestSpeed};

constexpr std::uint32_t kVcrControl = AVC1394_CTYPE_CONTROL | AVC1394_SUBUNIT_TYPE_VCR | AVC1394_SUBUNIT_ID_0;

}  // namespace

std::unique_ptr<AvcLink> OpenAvcLink(quint64 guid) { return std::make_unique<LibAvcLink>(guid); }

Avc1394Transport::Avc1394Transport(std::unique_ptr<AvcLink> link) : link_(std::move(link)) {}

std::uint32_t Avc1394Transport::PlayCommand(std::uint8_t operand) {
  return kVcrControl | AVC1394_VCR_COMMAND_PLAY | operand;
}

std::uint32_t Avc1394Transport::WindCommand(std::uint8_t operand) {
  return kVcrControl | AVC1394_VCR_COMMAND_WIND | operand;
}

std::uint8_t Avc1394Transport::ShuttleOperand(double speed) {
  const double wanted = std::log(std::clamp(std::fabs(speed), kPlaySpeeds.front(), kPlaySpeeds.back()));
  std::size_t best = 0;
  for (std::size_t i = 1; i < kPlaySpeeds.size(); ++i)
    if (std::fabs(std::log(kPlaySpeeds[i]) - wanted) < std::fabs(std::log(kPlaySpeeds[best]) - wanted)) best = i;
  const int first = speed > 0 ? AVC1394_VCR_OPERAND_PLAY_SLOWEST_FORWARD : AVC1394_VCR_OPERAND_PLAY_SLOWEST_REVERSE;
  return std::uint8_t(first + int(best));
}

bool Avc1394Transport::Send(std::uint32_t command, TransportMode mode) {
  if (!link_ || !link_->Control(command)) return false;
  last_ = mode;
  return true;
}

bool Avc1394Transport::Play() {
  return Send(PlayCommand(AVC1394_VCR_OPERAND_PLAY_FORWARD), TransportMode::Play);
}
bool Avc1394Transport::Pause() {
  return Send(PlayCommand(AVC1394_VCR_OPERAND_PLAY_FORWARD_PAUSE), TransportMode::Pause);
}
bool Avc1394Transport::Stop() { return Send(WindCommand(AVC1394_VCR_OPERAND_WIND_STOP), TransportMode::Stop); }
bool Avc1394Transport::FastForward() {
  return Send(WindCommand(AVC1394_VCR_OPERAND_WIND_FAST_FORWARD), TransportMode::FastForward);
}
bool Avc1394Transport::Rewind() {
  return Send(WindCommand(AVC1394_VCR_OPERAND_WIND_REWIND), TransportMode::Rewind);
}

bool Avc1394Transport::Shuttle(double speed) {
  if (!std::isfinite(speed)) return false;
  if (speed == 0.0) return Pause();
  if (speed == 1.0) return Play();
  return Send(PlayCommand(ShuttleOperand(speed)), TransportMode::Shuttle);
}

std::optional<TransportMode> Avc1394Transport::ModeOfState(std::uint32_t response) {
  if (AVC1394_MASK_RESPONSE(response) != AVC1394_RESPONSE_IMPLEMENTED) return std::nullopt;
  const std::uint32_t opcode = AVC1394_MASK_OPCODE(response);
  const std::uint32_t operand = AVC1394_MASK_OPERAND0(response);
  if (opcode == AVC1394_VCR_COMMAND_RECORD) return TransportMode::Record;
  if (opcode == AVC1394_VCR_COMMAND_WIND) {
    switch (operand) {
      case AVC1394_VCR_OPERAND_WIND_STOP: return TransportMode::Stop;
      case AVC1394_VCR_OPERAND_WIND_FAST_FORWARD: return TransportMode::FastForward;
      case AVC1394_VCR_OPERAND_WIND_REWIND:
      case AVC1394_VCR_OPERAND_WIND_HIGH_SPEED_REWIND: return TransportMode::Rewind;
      default: return std::nullopt;
    }
  }
  if (opcode != AVC1394_VCR_COMMAND_PLAY) return std::nullopt;
  switch (operand) {
    case AVC1394_VCR_OPERAND_PLAY_FORWARD:
    case AVC1394_VCR_OPERAND_PLAY_X1_FORWARD: return TransportMode::Play;
    case AVC1394_VCR_OPERAND_PLAY_FORWARD_PAUSE:
    case AVC1394_VCR_OPERAND_PLAY_REVERSE_PAUSE: return TransportMode::Pause;
    default:
      if (operand == AVC1394_VCR_OPERAND_PLAY_REVERSE ||
          (operand >= AVC1394_VCR_OPERAND_PLAY_NEXT_FRAME && operand <= AVC1394_VCR_OPERAND_PLAY_FASTEST_REVERSE))
        return TransportMode::Shuttle;
      return std::nullopt;
  }
}

TransportMode Avc1394Transport::Mode() const {
  if (link_)
    if (const auto state = link_->TransportState())
      if (const auto mode = ModeOfState(*state)) return *mode;
  return last_;
}

std::optional<TimeCode> Avc1394Transport::ParseTimeCode(const std::string &text) {
  TimeCode tc;
  char sep[3];
  int consumed = 0;
  if (std::sscanf(text.c_str(), "%2d%c%2d%c%2d%c%2d%n", &tc.hours, &sep[0], &tc.minutes, &sep[1], &tc.seconds,
                  &sep[2], &tc.frames, &consumed) != 7 ||
      consumed != int(text.size()))
    return std::nullopt;
  // A tape without time code answers with all digits set (a BCD 0xFF reads "ff" or "-1").
  if (tc.hours < 0 || tc.hours > 23 || tc.minutes < 0 || tc.minutes > 59 || tc.seconds < 0 || tc.seconds > 59 ||
      tc.frames < 0 || tc.frames > 29)
    return std::nullopt;
  return tc;
}

std::optional<TimeCode> Avc1394Transport::ReadTimeCode() const {
  if (!link_) return std::nullopt;
  const auto text = link_->TimeCodeText();
  return text ? ParseTimeCode(*text) : std::nullopt;
}

void AttachAvcTransport(GstElement *source, quint64 guid) {
  if (!source) return;
  g_object_set_data_full(G_OBJECT(source), kAvcTransportKey, new Avc1394Transport(OpenAvcLink(guid)),
                         [](gpointer p) { delete static_cast<Avc1394Transport *>(p); });
}

ExternalTransport *AttachedAvcTransport(GstElement *source) {
  return source ? static_cast<ExternalTransport *>(g_object_get_data(G_OBJECT(source), kAvcTransportKey)) : nullptr;
}

}  // namespace vistrel::sources
