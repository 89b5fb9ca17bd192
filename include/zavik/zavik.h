/*
 * zavik.h: painter (.esi), canvas (.cnv) and item (.itm) files of the
 * painting program, and JPEG, BMP and PNG images, opened by their content and
 * composed as zavik view shows them.
 *
 * A zavik_file is one opened file. Every call is reentrant; calls on
 * distinct files may run at once on any threads, calls on one file must not.
 * Nothing is kept between files: opening one never changes another.
 *
 * Pictures come out as 8-bit RGBA, the top row first, each row `stride`
 * bytes apart (at least 4 x width), into memory the caller owns; a size
 * function says how much is needed first. Texts come out as UTF-8 and stay
 * valid until the file is closed or the same function is called again on it.
 *
 * Plain C (C89 and later) and C++.
 */
#ifndef ZAVIK_ZAVIK_H
#define ZAVIK_ZAVIK_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The interface's version: a program built against this header checks
 * zavik_api_version() against it. Additions keep the number; a change that
 * breaks a caller raises it (and the shared library's soname). */
#define ZAVIK_API_VERSION 1

#if defined(__GNUC__) && !defined(_WIN32)
#define ZAVIK_API __attribute__((visibility("default")))
#else
#define ZAVIK_API
#endif

/* What a call reports. Opening a file may also leave messages (below): the
 * texts zavik view would show in its boxes, which say more. */
typedef enum zavik_status {
    ZAVIK_OK = 0,
    ZAVIK_ERROR_ARGUMENT = 1,     /* a null pointer, a zoom or size out of range */
    ZAVIK_ERROR_OPEN = 2,         /* the file cannot be opened or read */
    ZAVIK_ERROR_UNSUPPORTED = 3,  /* not a file of a kind zavik view opens */
    ZAVIK_ERROR_NO_PICTURE = 4,   /* read, but no picture came of it: damaged, or beyond the size limit */
    ZAVIK_ERROR_NO_MEMORY = 5,
    ZAVIK_ERROR_TOO_SMALL = 6     /* the caller's stride is less than 4 x width */
} zavik_status;

/* The kind of an opened file, as zavik view records it. */
typedef enum zavik_kind {
    ZAVIK_KIND_NONE = 0,
    ZAVIK_KIND_CANVAS = 1,
    ZAVIK_KIND_PAINTER = 2,
    ZAVIK_KIND_PEN_ITEM = 3,
    ZAVIK_KIND_OTHER_ITEM = 4,
    ZAVIK_KIND_STANDARD_IMAGE = 5 /* JPEG, BMP or PNG */
} zavik_kind;

/* The largest picture opened, in bytes as held (3 bytes a pixel, rows
 * padded to 4 bytes); a file claiming more is refused before it is read. */
#define ZAVIK_MAX_PICTURE_BYTES 268435456
/* The working memory of one open: whatever it keeps while it reads (a
 * canvas's layers and picture, the JPEG decoder's tables and coefficients)
 * is counted against it, and a section that would go beyond it is refused
 * before anything is allocated. Three largest pictures and 64 MiB. */
#define ZAVIK_MAX_OPEN_MEMORY_BYTES 872415232

typedef struct zavik_file zavik_file;

/* The limits of one open, as zavik view applies them to what a file claims.
 * A picture beyond max_picture_bytes (a JPEG, PNG or BMP, a canvas's
 * picture or layer, a painter's JPEG picture), or whose decoding needs more
 * than max_memory_bytes, is refused: the open gives ZAVIK_ERROR_NO_PICTURE
 * (for a canvas, whose other sections may still have been read, the
 * picture that failed is left out) and its messages say which picture
 * failed. 0 stands for zavik view's own limit; neither may be above it.
 * The small pictures of fixed size (a painter's 100 x 100, an item's and
 * a pen's 50 x 50) are always read. Made by zavik_default_limits, then
 * lowered where wanted, so that members added later keep their defaults. */
typedef struct zavik_limits {
    size_t max_picture_bytes;   /* at most ZAVIK_MAX_PICTURE_BYTES */
    size_t max_memory_bytes;    /* at most ZAVIK_MAX_OPEN_MEMORY_BYTES */
} zavik_limits;

ZAVIK_API int zavik_api_version(void);
/* The library's version, "5.4" say. */
ZAVIK_API const char *zavik_version(void);
/* The status as an English sentence; never null. */
ZAVIK_API const char *zavik_status_text(zavik_status status);

/* Fills limits with zavik view's own (the maximums above). */
ZAVIK_API void zavik_default_limits(zavik_limits *limits);

/* Opens the file at path (the system's spelling) by its content, within
 * zavik view's limits. On ZAVIK_OK and on the errors after
 * ZAVIK_ERROR_ARGUMENT, *file is a file to close, whose messages say what
 * went wrong; otherwise it is null. */
ZAVIK_API zavik_status zavik_open_path(const char *path, zavik_file **file);
/* The same for a file held in memory, decoded where it is: nothing is
 * written to or looked up in the file system, and the bytes need not stay
 * once the call returns (a JPEG keeps a copy of them for its thumbnails).
 * name (may be null) stands for the file's name where zavik view goes by
 * it: a JPEG is recognised by its extension, and messages name the file.
 * A canvas in memory does not look for the painter file it names: its
 * painter's name is that file's name, as when the file is missing. */
ZAVIK_API zavik_status zavik_open_memory(const void *bytes, size_t size, const char *name, zavik_file **file);
/* Both within the given limits (null: zavik view's own); limits above zavik
 * view's own are ZAVIK_ERROR_ARGUMENT. */
ZAVIK_API zavik_status zavik_open_path_limited(const char *path, const zavik_limits *limits, zavik_file **file);
ZAVIK_API zavik_status zavik_open_memory_limited(const void *bytes, size_t size, const char *name,
                                                 const zavik_limits *limits, zavik_file **file);
ZAVIK_API void zavik_close(zavik_file *file);

ZAVIK_API zavik_kind zavik_file_kind(const zavik_file *file);
/* The picture's size at 100 %; 0 x 0 when there is none. */
ZAVIK_API int zavik_width(const zavik_file *file);
ZAVIK_API int zavik_height(const zavik_file *file);
/* 1 when the picture has transparent parts (a PNG's alpha channel), else 0. */
ZAVIK_API int zavik_has_alpha(const zavik_file *file);

/* The picture at 100 % as zavik view saves it to PNG: with its alpha where
 * it has one, else opaque (alpha 255). width x height pixels. */
ZAVIK_API zavik_status zavik_picture_rgba(zavik_file *file, unsigned char *rgba, size_t stride);

/* What the window shows at zoom_percent (100, 90, ..., 10), as `zavik
 * render` writes it: opaque, transparent parts over the window's
 * checkerboard. zavik_view_size gives its size (a side may be 0). */
ZAVIK_API zavik_status zavik_view_size(const zavik_file *file, int zoom_percent, int *width, int *height);
ZAVIK_API zavik_status zavik_view_rgba(zavik_file *file, int zoom_percent, unsigned char *rgba, size_t stride);

/* The picture reduced by area averaging to fit max_side x max_side (never
 * enlarged), alpha kept, as `zavik thumbnail` makes it. */
ZAVIK_API zavik_status zavik_thumbnail_size(const zavik_file *file, int max_side, int *width, int *height);
ZAVIK_API zavik_status zavik_thumbnail_rgba(zavik_file *file, int max_side, unsigned char *rgba, size_t stride);

/* The properties as one JSON object, the one `zavik info --json` prints:
 * kind, size, painter name and, by kind, the painter's record with its pen
 * names, memo and diagnosis, the canvas values, or the item's name and
 * explanation. */
ZAVIK_API const char *zavik_properties_json(zavik_file *file);

/* The messages of the open, in the order zavik view would show them: a
 * number that stays with the message across versions, its text and its
 * caption. */
ZAVIK_API size_t zavik_message_count(const zavik_file *file);
ZAVIK_API int zavik_message_id(const zavik_file *file, size_t index);
ZAVIK_API const char *zavik_message_text(zavik_file *file, size_t index);
ZAVIK_API const char *zavik_message_caption(zavik_file *file, size_t index);

#ifdef __cplusplus
}
#endif

#endif /* ZAVIK_ZAVIK_H */
