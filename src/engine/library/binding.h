// Run-time binding of the media libraries.
//
// Each library gets one table of typed function pointers, filled by dlsym
// from the shared object that loadLibraries opens. The types come from the
// real headers, so a call through a slot is checked like a direct call.
// The lists name exactly the entry points the engine and its tests call.
// To make a new one available, add its name to the list of its library
// below; the table, the name list and the binding follow from it.
#pragma once

#include <string>

#include "av_headers.h"

// clang-format off
#define TREVIX_AVCODEC_FUNCS(X) \
  X(avcodec_version) \
  X(avcodec_alloc_context3) \
  X(avcodec_free_context) \
  X(avcodec_parameters_copy) \
  X(avcodec_parameters_to_context) \
  X(avcodec_parameters_from_context) \
  X(avcodec_find_encoder) \
  X(avcodec_find_decoder) \
  X(avcodec_find_encoder_by_name) \
  X(avcodec_find_decoder_by_name) \
  X(avcodec_get_name) \
  X(avcodec_open2) \
  X(avcodec_close) \
  X(avcodec_send_packet) \
  X(avcodec_receive_frame) \
  X(avcodec_send_frame) \
  X(avcodec_receive_packet) \
  X(avcodec_decode_subtitle2) \
  X(avcodec_encode_subtitle) \
  X(avsubtitle_free) \
  X(av_codec_iterate) \
  X(av_codec_is_encoder) \
  X(av_packet_alloc) \
  X(av_packet_free) \
  X(av_packet_unref) \
  X(av_packet_ref) \
  X(av_packet_rescale_ts) \
  X(av_packet_get_side_data) \
  X(av_new_packet) \

#define TREVIX_AVFORMAT_FUNCS(X) \
  X(avformat_alloc_context) \
  X(avformat_alloc_output_context2) \
  X(avformat_free_context) \
  X(avformat_new_stream) \
  X(avformat_open_input) \
  X(avformat_close_input) \
  X(avformat_find_stream_info) \
  X(avformat_write_header) \
  X(avformat_query_codec) \
  X(av_find_input_format) \
  X(av_probe_input_buffer2) \
  X(av_guess_format) \
  X(av_guess_codec) \
  X(av_muxer_iterate) \
  X(av_read_frame) \
  X(av_seek_frame) \
  X(avformat_index_get_entries_count) \
  X(av_interleaved_write_frame) \
  X(av_write_trailer) \
  X(av_dump_format) \
  X(av_pkt_dump_log2) \
  X(av_sdp_create) \
  X(av_filename_number_test) \
  X(av_codec_get_id) \
  X(av_codec_get_tag) \
  X(av_find_best_stream) \
  X(avio_open) \
  X(avio_closep) \
  X(avio_alloc_context) \
  X(avio_context_free) \
  X(avio_flush) \
  X(avio_seek) \
  X(avio_size) \
  X(av_stream_get_side_data) \
  X(av_stream_new_side_data) \

#define TREVIX_AVUTIL_FUNCS(X) \
  X(av_log_set_callback) \
  X(av_log_get_level) \
  X(av_log_set_level) \
  X(av_log) \
  X(av_rescale_q) \
  X(av_rescale) \
  X(av_compare_ts) \
  X(av_d2q) \
  X(av_gettime_relative) \
  X(av_malloc) \
  X(av_mallocz) \
  X(av_free) \
  X(av_freep) \
  X(av_strdup) \
  X(av_strerror) \
  X(av_opt_find) \
  X(av_opt_set) \
  X(av_opt_set_int) \
  X(av_opt_set_bin) \
  X(av_opt_get) \
  X(av_opt_get_int) \
  X(av_dict_set) \
  X(av_dict_set_int) \
  X(av_dict_get) \
  X(av_dict_copy) \
  X(av_dict_count) \
  X(av_dict_free) \
  X(av_dict_parse_string) \
  X(av_parse_video_rate) \
  X(av_parse_video_size) \
  X(av_parse_time) \
  X(av_get_pix_fmt) \
  X(av_get_pix_fmt_name) \
  X(av_get_pix_fmt_string) \
  X(av_pix_fmt_desc_get) \
  X(av_sample_fmt_is_planar) \
  X(av_get_packed_sample_fmt) \
  X(av_get_picture_type_char) \
  X(av_get_media_type_string) \
  X(av_channel_layout_default) \
  X(av_channel_layout_uninit) \
  X(av_channel_layout_copy) \
  X(av_frame_alloc) \
  X(av_frame_free) \
  X(av_frame_unref) \
  X(av_frame_move_ref) \
  X(av_frame_ref) \
  X(av_frame_get_buffer) \
  X(av_frame_make_writable) \
  X(av_frame_is_writable) \
  X(av_image_fill_arrays) \
  X(av_image_get_buffer_size) \
  X(av_image_copy) \
  X(av_image_copy_plane) \
  X(av_image_check_size) \
  X(av_image_fill_black) \
  X(av_image_get_linesize) \
  X(av_buffer_pool_init) \
  X(av_buffer_pool_get) \
  X(av_buffer_pool_uninit) \
  X(av_audio_fifo_alloc) \
  X(av_audio_fifo_free) \
  X(av_audio_fifo_write) \
  X(av_audio_fifo_read) \
  X(av_audio_fifo_size) \
  X(av_display_rotation_get) \
  X(av_display_rotation_set) \
  X(av_display_matrix_flip) \
  X(av_color_transfer_name) \
  X(av_color_primaries_name) \
  X(av_color_space_name) \

#define TREVIX_SWSCALE_FUNCS(X) \
  X(sws_scale) \
  X(sws_getContext) \
  X(sws_getCachedContext) \
  X(sws_freeContext) \
  X(sws_alloc_context) \
  X(sws_isSupportedInput) \
  X(sws_init_context) \
  X(sws_scale_frame) \
  X(sws_setColorspaceDetails) \
  X(sws_getCoefficients) \

#define TREVIX_SWRESAMPLE_FUNCS(X) \
  X(swr_alloc_set_opts2) \
  X(swr_init) \
  X(swr_convert) \
  X(swr_get_out_samples) \
  X(swr_set_compensation) \
  X(swr_free) \

#define TREVIX_AVFILTER_FUNCS(X) \
  X(avfilter_get_by_name) \
  X(avfilter_graph_alloc) \
  X(avfilter_graph_free) \
  X(avfilter_graph_create_filter) \
  X(avfilter_graph_config) \
  X(avfilter_link) \
  X(av_buffersrc_add_frame_flags) \
  X(av_buffersink_get_frame) \
  X(avfilter_graph_parse_ptr) \
  X(avfilter_inout_alloc) \
  X(avfilter_inout_free) \
// clang-format on

#define TREVIX_DECLARE_SLOT(name) decltype(&::name) name = nullptr;

struct AVCodecApi { TREVIX_AVCODEC_FUNCS(TREVIX_DECLARE_SLOT) };
struct AVFormatApi { TREVIX_AVFORMAT_FUNCS(TREVIX_DECLARE_SLOT) };
struct AVUtilApi { TREVIX_AVUTIL_FUNCS(TREVIX_DECLARE_SLOT) };
struct SwScaleApi { TREVIX_SWSCALE_FUNCS(TREVIX_DECLARE_SLOT) };
struct SwResampleApi { TREVIX_SWRESAMPLE_FUNCS(TREVIX_DECLARE_SLOT) };
struct AVFilterApi { TREVIX_AVFILTER_FUNCS(TREVIX_DECLARE_SLOT) };

#undef TREVIX_DECLARE_SLOT

// The bound tables. Slots are written only while binding, before any task
// exists; read them only while librariesLoaded() is true.
extern AVCodecApi libavcodec;
extern AVFormatApi libavformat;
extern AVUtilApi libavutil;
extern SwScaleApi libswscale;
extern SwResampleApi libswresample;
extern AVFilterApi libavfilter;

enum class MediaLibrary { AvCodec, AvFormat, AvUtil, SwScale, SwResample, AvFilter, MyUtil };

// Binds every library from `folder` (empty: the default search path), in
// the order avcodec, avformat, avutil, swscale, swresample, avfilter,
// myutil. All or nothing: the first failure unloads what was loaded and
// leaves its text in libraryError(). After a success further calls return
// true and change nothing.
bool loadLibraries(const std::string &folder, bool versioned);
void unloadLibraries();
bool librariesLoaded();
std::string libraryError();
bool isBound(MediaLibrary lib);

// File name a library is loaded by ("libavcodec.so.59" or "libavcodec.so").
std::string libraryFileName(MediaLibrary lib, bool versioned);
