/*
 * What the image-library plug-ins (hosts/gdk-pixbuf, hosts/qt) share: the
 * magic texts they recognise files by, the bound on what they read of a
 * file, and the picture they hand over, all over libzavik's C interface.
 */
#ifndef ZAVIK_HOST_H
#define ZAVIK_HOST_H

#include <stddef.h>

#include <zavik/zavik.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The first 11 bytes of a painter, canvas or item file, as the viewer and
 * linux/zavik-mime.xml recognise them (the 12th byte is not looked at). */
#define ZAVIK_HOST_MAGIC_LENGTH 11
#define ZAVIK_HOST_MAGIC_PAINTER_0A "esi file 0a"
#define ZAVIK_HOST_MAGIC_PAINTER_0F "esi file 0f"
#define ZAVIK_HOST_MAGIC_CANVAS "cnv file 0a"
#define ZAVIK_HOST_MAGIC_ITEM "itm file 0f"

/* The plug-ins are handed streams, and the library opens whole files, so a
 * file is read into memory first. No file the viewer opens is larger than
 * two of its largest pictures; a longer stream is refused unread rather
 * than held. */
#define ZAVIK_HOST_MAX_FILE_BYTES ((size_t)2 * ZAVIK_MAX_PICTURE_BYTES)

/* 1 when bytes (size of them) start with one of the magic texts. */
int zavik_host_has_magic(const unsigned char *bytes, size_t size);

/* A picture as a host shows it: 8-bit RGBA rows, top first, 4 x width bytes
 * apart; has_alpha is 0 when every pixel is opaque. */
typedef struct zavik_host_picture {
    int width;
    int height;
    int has_alpha;
    unsigned char *rgba; /* free() it, or zavik_host_picture_free */
} zavik_host_picture;

/* Opens bytes as the viewer opens a file. On failure *file is null and
 * *error (never null then) holds the viewer's messages, one a line, or the
 * status's sentence where there are none; free() it. */
zavik_status zavik_host_open(const void *bytes, size_t size, zavik_file **file, char **error);

/* The picture of an opened file to fit width x height: the picture at 100 %
 * as the viewer shows it (with its transparency where it has one) when it
 * fits or either side is 0 or less, else the library's thumbnail for the
 * larger side asked for. The size handed back may differ from the one asked
 * for by rounding, or because thumbnails are never enlarged. */
zavik_status zavik_host_picture_get(zavik_file *file, int width, int height, zavik_host_picture *picture);
void zavik_host_picture_free(zavik_host_picture *picture);

#ifdef __cplusplus
}
#endif

#endif /* ZAVIK_HOST_H */
