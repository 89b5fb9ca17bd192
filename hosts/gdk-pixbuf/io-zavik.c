/*
 * GdkPixbuf loader for painter (.esi), canvas (.cnv) and item (.itm) files,
 * over libzavik: image viewers, thumbnailers and other GdkPixbuf programs
 * get the picture zavik view shows at 100 %, or the library's thumbnail
 * when they ask for a smaller size.
 *
 * The library opens whole files, so the incremental path keeps what it is
 * given (up to ZAVIK_HOST_MAX_FILE_BYTES) and decodes when loading stops.
 */
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gdk-pixbuf/gdk-pixbuf-io.h>
#undef GDK_PIXBUF_ENABLE_BACKEND
#include <gmodule.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "hosts/common/zavik_host.h"

typedef struct {
    GdkPixbufModuleSizeFunc size_func;
    GdkPixbufModulePreparedFunc prepared_func;
    GdkPixbufModuleUpdatedFunc updated_func;
    gpointer user_data;
    GByteArray *bytes;
    gboolean too_long;   /* said so, and the bytes let go */
} ZavikContext;

static void set_error(GError **error, zavik_status status, const char *text)
{
    GdkPixbufError code;
    switch (status) {
    case ZAVIK_ERROR_NO_MEMORY: code = GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY; break;
    case ZAVIK_ERROR_UNSUPPORTED: code = GDK_PIXBUF_ERROR_UNKNOWN_TYPE; break;
    case ZAVIK_ERROR_NO_PICTURE: code = GDK_PIXBUF_ERROR_CORRUPT_IMAGE; break;
    default: code = GDK_PIXBUF_ERROR_FAILED; break;
    }
    g_set_error_literal(error, GDK_PIXBUF_ERROR, code, text ? text : zavik_status_text(status));
}

static void set_too_long(GError **error)
{
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                "The file is longer than any zavik view opens (%" G_GSIZE_FORMAT " bytes at most)",
                (gsize)ZAVIK_HOST_MAX_FILE_BYTES);
}

static void free_rgba(guchar *pixels, gpointer data)
{
    (void)data;
    free(pixels);
}

/* The pixbuf of a host picture: RGBA as it is, else its colours alone in a
 * pixbuf without alpha, as opaque pictures are held by GdkPixbuf. Takes the
 * picture's memory either way. */
static GdkPixbuf *to_pixbuf(zavik_host_picture *picture)
{
    GdkPixbuf *pixbuf;
    guchar *pixels;
    int rowstride, x, y;
    if (picture->has_alpha) {
        pixbuf = gdk_pixbuf_new_from_data(picture->rgba, GDK_COLORSPACE_RGB, TRUE, 8, picture->width,
                                          picture->height, picture->width * 4, free_rgba, NULL);
        if (pixbuf)
            picture->rgba = NULL;
        zavik_host_picture_free(picture);
        return pixbuf;
    }
    pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, picture->width, picture->height);
    if (pixbuf) {
        pixels = gdk_pixbuf_get_pixels(pixbuf);
        rowstride = gdk_pixbuf_get_rowstride(pixbuf);
        for (y = 0; y < picture->height; ++y) {
            const unsigned char *in = picture->rgba + (size_t)y * picture->width * 4;
            guchar *out = pixels + (size_t)y * rowstride;
            for (x = 0; x < picture->width; ++x) {
                out[3 * x + 0] = in[4 * x + 0];
                out[3 * x + 1] = in[4 * x + 1];
                out[3 * x + 2] = in[4 * x + 2];
            }
        }
    }
    zavik_host_picture_free(picture);
    return pixbuf;
}

/* Decodes a whole file. With a context, its size function is asked for the
 * size wanted (nothing is made when it answers 0, as gdk_pixbuf_get_file_info
 * does) and its callbacks are told of the pixbuf. */
static GdkPixbuf *decode(const guint8 *bytes, gsize size, ZavikContext *context, gboolean *wanted, GError **error)
{
    zavik_file *file = NULL;
    zavik_host_picture picture;
    GdkPixbuf *pixbuf;
    char *text = NULL;
    int width, height;
    zavik_status status = zavik_host_open(bytes, size, &file, &text);
    *wanted = TRUE;
    if (status != ZAVIK_OK) {
        set_error(error, status, text);
        free(text);
        return NULL;
    }
    width = zavik_width(file);
    height = zavik_height(file);
    if (context && context->size_func) {
        context->size_func(&width, &height, context->user_data);
        if (width <= 0 || height <= 0) {
            zavik_close(file);
            *wanted = FALSE;
            return NULL;
        }
    }
    status = zavik_host_picture_get(file, width, height, &picture);
    zavik_close(file);
    if (status != ZAVIK_OK) {
        set_error(error, status, NULL);
        return NULL;
    }
    pixbuf = to_pixbuf(&picture);
    if (!pixbuf) {
        set_error(error, ZAVIK_ERROR_NO_MEMORY, NULL);
        return NULL;
    }
    if (context && context->prepared_func)
        context->prepared_func(pixbuf, NULL, context->user_data);
    if (context && context->updated_func)
        context->updated_func(pixbuf, 0, 0, gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf),
                              context->user_data);
    return pixbuf;
}

static GdkPixbuf *zavik_load(FILE *f, GError **error)
{
    GByteArray *bytes = g_byte_array_new();
    GdkPixbuf *pixbuf = NULL;
    guint8 chunk[65536];
    gboolean wanted;
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (n > ZAVIK_HOST_MAX_FILE_BYTES - bytes->len) {
            set_too_long(error);
            g_byte_array_unref(bytes);
            return NULL;
        }
        g_byte_array_append(bytes, chunk, (guint)n);
    }
    if (ferror(f))
        g_set_error_literal(error, G_FILE_ERROR, G_FILE_ERROR_IO, zavik_status_text(ZAVIK_ERROR_OPEN));
    else
        pixbuf = decode(bytes->data, bytes->len, NULL, &wanted, error);
    g_byte_array_unref(bytes);
    return pixbuf;
}

static gpointer zavik_begin_load(GdkPixbufModuleSizeFunc size_func, GdkPixbufModulePreparedFunc prepared_func,
                                 GdkPixbufModuleUpdatedFunc updated_func, gpointer user_data, GError **error)
{
    ZavikContext *context = g_new0(ZavikContext, 1);
    (void)error;
    context->size_func = size_func;
    context->prepared_func = prepared_func;
    context->updated_func = updated_func;
    context->user_data = user_data;
    context->bytes = g_byte_array_new();
    return context;
}

static gboolean zavik_load_increment(gpointer data, const guchar *buf, guint size, GError **error)
{
    ZavikContext *context = data;
    if (context->too_long || size > ZAVIK_HOST_MAX_FILE_BYTES - context->bytes->len) {
        set_too_long(error);
        context->too_long = TRUE;
        g_byte_array_set_size(context->bytes, 0);
        return FALSE;
    }
    g_byte_array_append(context->bytes, buf, size);
    return TRUE;
}

static gboolean zavik_stop_load(gpointer data, GError **error)
{
    ZavikContext *context = data;
    gboolean wanted = TRUE;
    GdkPixbuf *pixbuf = NULL;
    gboolean done;
    /* The loader stops a load whose increment failed: the part kept is not
     * decoded. */
    if (context->too_long)
        set_too_long(error);
    else
        pixbuf = decode(context->bytes->data, context->bytes->len, context, &wanted, error);
    done = pixbuf != NULL || (!wanted && !context->too_long);
    if (pixbuf)
        g_object_unref(pixbuf);   /* the loader took its own reference */
    g_byte_array_unref(context->bytes);
    g_free(context);
    return done;
}

/* The two functions gdk-pixbuf looks up in the module. */
G_MODULE_EXPORT void fill_vtable(GdkPixbufModule *module);
G_MODULE_EXPORT void fill_info(GdkPixbufFormat *info);

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule *module)
{
    module->load = zavik_load;
    module->begin_load = zavik_begin_load;
    module->load_increment = zavik_load_increment;
    module->stop_load = zavik_stop_load;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat *info)
{
    /* Every byte of the magic must match. The mask is spelt out: a null
     * one becomes "" in the loaders cache, which matches nothing. */
#define ZAVIK_ALL_11 "           "
    static GdkPixbufModulePattern signature[] = {
        {ZAVIK_HOST_MAGIC_PAINTER_0A, ZAVIK_ALL_11, 100},
        {ZAVIK_HOST_MAGIC_PAINTER_0F, ZAVIK_ALL_11, 100},
        {ZAVIK_HOST_MAGIC_CANVAS, ZAVIK_ALL_11, 100},
        {ZAVIK_HOST_MAGIC_ITEM, ZAVIK_ALL_11, 100},
        {NULL, NULL, 0},
    };
    static gchar *mime_types[] = {
        "application/x-zavik-painter",
        "application/x-zavik-canvas",
        "application/x-zavik-item",
        NULL,
    };
    static gchar *extensions[] = {"esi", "cnv", "itm", NULL};

    info->name = "zavik";
    info->signature = signature;
    info->description = "Painter, canvas and item files";
    info->mime_types = mime_types;
    info->extensions = extensions;
    /* libzavik keeps nothing between files. */
    info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
    info->license = ZAVIK_HOST_LICENSE;
}
