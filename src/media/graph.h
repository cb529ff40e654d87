#pragma once
// The program's one pipeline ("fg"): elements are added under the graph names
// the rest of the program knows them by, pads are linked only when their caps
// can meet, and stopping finalizes every file being written before the
// pipeline goes down. Lives on the Qt main thread; bus messages arrive there.
#include "media/gstref.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace vistrel::media {

class BusBridge;
class DiskWatch;

class Graph : public QObject {
  Q_OBJECT
 public:
  explicit Graph(QObject *parent = nullptr);
  ~Graph() override;
  Graph(const Graph &) = delete;
  Graph &operator=(const Graph &) = delete;

  GstElement *Pipeline() const { return pipeline_.get(); }

  // Adds the element under `graphName`; a name already taken gets " 0001",
  // " 0002"... appended, and an empty name keeps the element's own. Adding
  // an element that is already in this graph succeeds and changes nothing;
  // one that belongs to another bin fails. The graph keeps its own reference.
  bool AddFilter(GstElement *filter, const QString &graphName);
  // Unlinks the element, stops it and takes it out. False if not in the graph.
  // The graph drops its reference: whoever keeps the element for later
  // (a stock component, a filter slot, an own filter) holds its own.
  bool RemoveFilter(GstElement *filter);
  bool RemoveFilter(const QString &graphName);
  // The element with exactly that graph name, or null. The graph owns it.
  GstElement *FindFilter(const QString &graphName) const;
  bool Contains(GstElement *filter) const;
  std::vector<ElementRef> Filters() const;

  // Links an output pad to an input pad. Fails when either is null, already
  // linked, of the wrong direction, outside the graph, or when the caps the
  // two sides allow have nothing in common.
  bool Connect(GstPad *out, GstPad *in);
  // First free output of `from` to the first free input of `to` that suits it.
  bool ConnectFilters(GstElement *from, GstElement *to);
  // Unlinks a pad from its peer; true if it was linked.
  bool Disconnect(GstPad *pad);
  // Removes first, last and every element on the single path between them.
  // Nothing is removed (false) when the path forks or never reaches last.
  bool RemoveChain(GstElement *first, GstElement *last);

  // Declares that the branch entered at `entry` writes a file through
  // `fileSink`. `entry` is the sink pad of the branch's first element or the
  // tee pad that feeds it. A muxed file has one branch per input stream.
  void AddRecordingBranch(GstPad *entry, GstElement *fileSink);
  // Declares that `fileSink` writes a file and lets the graph find, when it
  // stops, every branch that feeds it: walking upstream, each branch begins
  // below the element that forks (a tee) or below a source.
  void AddRecordingSink(GstElement *fileSink);
  // Forgets the file sink's branches (its chain was taken out by code that
  // does not go through RemoveFilter, a plug-in's own).
  void ForgetRecordingSink(GstElement *fileSink);
  void ClearRecordingBranches();
  int RecordingBranchCount() const { return int(branches_.size()); }
  // Each file sink declared above is watched while it writes: once the free
  // space of its volume falls under `bytes`, DiskLow is raised (once per sink).
  void SetDiskReserve(std::int64_t bytes) { diskReserve_->store(bytes); }
  std::int64_t DiskReserve() const { return diskReserve_->load(); }

  // False when the pipeline refuses to go to PLAYING; LastFailure() then
  // says why (the error an element posted on the way, and which element).
  bool Run();
  // Ends every recording branch with end-of-stream, waits (bounded by the
  // stop timeout) until each file sink has received it, then stops the
  // pipeline. False only when the pipeline refused to stop; a file that was
  // not finalized in time is reported through ErrorOccurred and
  // LastStopFinalized().
  bool Stop();
  GstState State() const;
  void SetStopTimeout(int milliseconds) { stopTimeoutMs_ = milliseconds; }
  bool LastStopFinalized() const { return lastStopFinalized_; }

  // Graph-wide volume on the linear scale 0..10000, applied to the volume
  // element the audio renderer registered.
  void SetVolume(int volume);
  int Volume() const { return volume_; }
  void SetVolumeElement(GstElement *volume);

  // The whole graph in Graphviz form, for inspecting what was built.
  QByteArray DotGraph() const;

  // The graph name of the pipeline child that holds `object` (itself or an
  // ancestor), or empty.
  QString GraphNameOf(GstObject *object) const;

  // Why the last AddFilter, Connect, ConnectFilters or Run failed, in plain
  // words: the elements by graph name, their pads and, when caps could not
  // meet, what each side allows. A success leaves it as it was, so a chain
  // of steps can be read once at its end; ClearFailure starts afresh. Given
  // a null element or pad, a step keeps the reason already there (that of
  // the step that returned null) and gives its own only when there is none.
  QString LastFailure() const { return lastFailure_; }
  void ClearFailure() { lastFailure_.clear(); }
  // Records (and logs, like the graph's own) the failure of a step made on
  // this graph that the graph could not see, such as an element that could
  // not be made. Always false, so a caller can `return fg.NoteFailure(...)`.
  bool NoteFailure(const QString &why);

 signals:
  // An error raised by a source element (a device that went away).
  void DeviceLost(QString graphName, QString message);
  // Every error, source or not, as "graph name: message".
  void ErrorOccurred(QString message);
  // A recorded file's volume has less than the disk reserve left.
  void DiskLow(QString file, qint64 freeBytes);
  // Every sink of the pipeline reached the end of its stream.
  void EndOfStream();
  // Every bus message, after the signals above.
  void BusMessage(vistrel::media::MessageRef message);

 private:
  struct Branch {
    PadRef entry;
    ElementRef sink;
  };
  void OnMessage(const MessageRef &message);
  bool FinalizeRecordings();
  void ForgetElement(GstElement *filter);

  // "\"graph name\":pad" for a message; pads of elements outside the graph
  // carry the element's own name and say so.
  QString PadLabel(GstPad *pad) const;
  QString ElementLabel(GstElement *element) const;
  // A missing element or pad is mostly what an earlier step returned when it
  // failed: that step's reason is the one worth keeping.
  bool KeepOrNote(const QString &why);

  ElementRef pipeline_;
  std::unique_ptr<BusBridge> bridge_;
  QString lastFailure_;
  std::vector<Branch> branches_;
  void WatchDisk(GstElement *fileSink);
  // Peers stop a capture with about 50 MB left; that leaves room for every
  // muxer's index however long the file.
  std::shared_ptr<std::atomic<std::int64_t>> diskReserve_ =
      std::make_shared<std::atomic<std::int64_t>>(std::int64_t(50) << 20);
  std::vector<std::unique_ptr<DiskWatch>> diskWatches_;
  ElementRef volumeElement_;
  int volume_ = 10000;
  int stopTimeoutMs_ = 5000;
  bool lastStopFinalized_ = true;
};

}  // namespace vistrel::media
