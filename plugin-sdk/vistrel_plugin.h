/* Vistrel capture plug-in interface.
 *
 * A capture plug-in is a shared object with the extension ".pcf" placed in
 * the program's plug-in folder. When the device enumeration meets a device
 * whose friendly name equals the plug-in's driver name, the plug-in takes the
 * device over: it builds the device's source sub-graph, and its native
 * recording chain, inside the program's pipeline.
 *
 * Every export is optional. A missing text export reads as an empty name, a
 * missing count as 0, a missing operation is skipped.
 *
 * Objects cross the interface as the program's own GStreamer objects:
 * - the graph is passed as the address of the program's pipeline (GstBin *);
 * - an object a function writes into a by-reference argument (source filter,
 *   pins, tees) is a NEW reference the program takes over (transfer full);
 * - the "interface slot" of the kill functions may receive one object
 *   reference the program releases after the call.
 * All calls come from the program's main thread.
 */
#ifndef VISTREL_PLUGIN_H
#define VISTREL_PLUGIN_H

#include <gst/gst.h>
#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define VISTREL_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define VISTREL_PLUGIN_EXPORT
#endif

/* The size of the text buffers passed to the two name functions. */
#define VISTREL_PLUGIN_NAME_BUFFER 65537

/* Nonzero when valid; the plug-in's own value. */
typedef intptr_t pi_handle;

/* Capture format codes a plug-in may report as native for its video. */
enum {
  PI_FORMAT_NONE = 0,
  PI_FORMAT_DV_TYPE1 = 1,
  PI_FORMAT_DV_TYPE2 = 2,
  PI_FORMAT_MPEG2 = 3,
  PI_FORMAT_MPEG1 = 4,
  PI_FORMAT_AVI = 5
};

/* Writes a zero-terminated 8-bit text of at most size bytes. */
typedef void (*pi_drivername_fn)(char *buffer, int32_t size);
typedef void (*pi_friendlyname_fn)(char *buffer, int32_t size);
typedef void (*pi_create_fn)(pi_handle *handle);
typedef void (*pi_destroy_fn)(pi_handle *handle);
typedef void (*pi_sourcefilter_fn)(pi_handle *handle, GstElement **filter);
typedef void (*pi_nbstrelvideo_fn)(pi_handle *handle, int32_t *count);
typedef void (*pi_nbstrelaudio_fn)(pi_handle *handle, int32_t *count);
typedef void (*pi_setsourcegraph_fn)(pi_handle *handle, GstElement **filter, GstBin **graph);
typedef void (*pi_killsourcegraph_fn)(pi_handle *handle, GstBin **graph);
/* stream is 1-based; previewPin and nativeVideoTee are cleared before the
 * call; sourceInverted is set to 1 when the frames arrive upside down. */
typedef void (*pi_setvideograph_fn)(pi_handle *handle, int32_t stream, GstPad **previewPin, GstBin **graph,
                                    uint8_t *sourceInverted, GstElement **nativeVideoTee, uint8_t *nativeFormat2,
                                    uint8_t *nativeFormat1);
typedef void (*pi_killvideograph_fn)(pi_handle *handle, GstObject **slot, GstBin **graph);
typedef int32_t (*pi_setaudiograph_fn)(pi_handle *handle, int32_t stream, GstPad **audioPin, GstBin **graph,
                                       GstElement **nativeAudioTee);
typedef void (*pi_killaudiograph_fn)(pi_handle *handle, GstObject **slot, GstBin **graph);
typedef void (*pi_buildmuxgraph_fn)(pi_handle *handle, GstBin **graph, const wchar_t *fileName);
typedef void (*pi_killmuxgraph_fn)(pi_handle *handle, GstBin **graph);

/* Prototypes for plug-in authors. */
VISTREL_PLUGIN_EXPORT void pi_drivername(char *buffer, int32_t size);
VISTREL_PLUGIN_EXPORT void pi_friendlyname(char *buffer, int32_t size);
VISTREL_PLUGIN_EXPORT void pi_create(pi_handle *handle);
VISTREL_PLUGIN_EXPORT void pi_destroy(pi_handle *handle);
VISTREL_PLUGIN_EXPORT void pi_sourcefilter(pi_handle *handle, GstElement **filter);
VISTREL_PLUGIN_EXPORT void pi_nbstrelvideo(pi_handle *handle, int32_t *count);
VISTREL_PLUGIN_EXPORT void pi_nbstrelaudio(pi_handle *handle, int32_t *count);
VISTREL_PLUGIN_EXPORT void pi_setsourcegraph(pi_handle *handle, GstElement **filter, GstBin **graph);
VISTREL_PLUGIN_EXPORT void pi_killsourcegraph(pi_handle *handle, GstBin **graph);
VISTREL_PLUGIN_EXPORT void pi_setvideograph(pi_handle *handle, int32_t stream, GstPad **previewPin, GstBin **graph,
                                            uint8_t *sourceInverted, GstElement **nativeVideoTee,
                                            uint8_t *nativeFormat2, uint8_t *nativeFormat1);
VISTREL_PLUGIN_EXPORT void pi_killvideograph(pi_handle *handle, GstObject **slot, GstBin **graph);
VISTREL_PLUGIN_EXPORT int32_t pi_setaudiograph(pi_handle *handle, int32_t stream, GstPad **audioPin, GstBin **graph,
                                               GstElement **nativeAudioTee);
VISTREL_PLUGIN_EXPORT void pi_killaudiograph(pi_handle *handle, GstObject **slot, GstBin **graph);
VISTREL_PLUGIN_EXPORT void pi_buildmuxgraph(pi_handle *handle, GstBin **graph, const wchar_t *fileName);
VISTREL_PLUGIN_EXPORT void pi_killmuxgraph(pi_handle *handle, GstBin **graph);

#ifdef __cplusplus
}
#endif

#endif /* VISTREL_PLUGIN_H */
