#pragma once
// The tape transport of a real DV camcorder on the IEEE 1394 bus: AV/C tape
// recorder commands sent through libavc1394 to the node that carries the
// camcorder's GUID.
#include "sources/transport.h"

#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

typedef struct _GstElement GstElement;

namespace vistrel::sources {

// The libavc1394 calls the transport makes, one per method, so that the
// command quadlets can be checked where they leave for the library.
class AvcLink {
 public:
  virtual ~AvcLink() = default;
  // avc1394_transaction: a CONTROL command; true when the camcorder accepted it.
  virtual bool Control(std::uint32_t command) = 0;
  // avc1394_vcr_status: the TRANSPORT STATE response (opcode and operand of
  // the current state), empty when the camcorder did not answer.
  virtual std::optional<std::uint32_t> TransportState() = 0;
  // avc1394_vcr_get_timecode2: "hh:mm:ss:ff", empty when it cannot be read.
  virtual std::optional<std::string> TimeCodeText() = 0;
};

// The link to the camcorder with this GUID over libraw1394 and libavc1394.
// The node is looked up again after a bus reset renumbered it.
std::unique_ptr<AvcLink> OpenAvcLink(quint64 guid);

class Avc1394Transport : public ExternalTransport {
 public:
  explicit Avc1394Transport(std::unique_ptr<AvcLink> link);

  bool Play() override;
  bool Pause() override;
  bool Stop() override;
  bool FastForward() override;
  bool Rewind() override;
  // To the nearest of the tape recorder's fifteen play speeds each way.
  bool Shuttle(double speed) override;
  // The camcorder's own state; the last command's mode when it does not say.
  TransportMode Mode() const override;
  std::optional<TimeCode> ReadTimeCode() const override;

  // The CONTROL quadlet of a PLAY or WIND command with its operand.
  static std::uint32_t PlayCommand(std::uint8_t operand);
  static std::uint32_t WindCommand(std::uint8_t operand);
  // The PLAY operand for a trick-play speed (0 excluded).
  static std::uint8_t ShuttleOperand(double speed);
  // The mode a TRANSPORT STATE response states.
  static std::optional<TransportMode> ModeOfState(std::uint32_t response);
  static std::optional<TimeCode> ParseTimeCode(const std::string &text);

 private:
  bool Send(std::uint32_t command, TransportMode mode);
  std::unique_ptr<AvcLink> link_;
  TransportMode last_ = TransportMode::Stop;
};

// A camcorder source element gets its transport attached once; both are
// freed together.
void AttachAvcTransport(GstElement *source, quint64 guid);
ExternalTransport *AttachedAvcTransport(GstElement *source);

}  // namespace vistrel::sources
