/* The plug-ins' common part over libzavik (zavik_host.h). */
#include "zavik_host.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

int zavik_host_has_magic(const unsigned char *bytes, size_t size)
{
    static const char *const magics[] = {ZAVIK_HOST_MAGIC_PAINTER_0A, ZAVIK_HOST_MAGIC_PAINTER_0F,
                                         ZAVIK_HOST_MAGIC_CANVAS, ZAVIK_HOST_MAGIC_ITEM};
    size_t i;
    if (!bytes || size < ZAVIK_HOST_MAGIC_LENGTH)
        return 0;
    for (i = 0; i < sizeof magics / sizeof magics[0]; ++i)
        if (memcmp(bytes, magics[i], ZAVIK_HOST_MAGIC_LENGTH) == 0)
            return 1;
    return 0;
}

/* The messages of a failed open, one a line, else the status's sentence. */
static char *error_text(zavik_file *file, zavik_status status)
{
    size_t count = zavik_message_count(file), length = 0, i;
    char *text, *end;
    for (i = 0; i < count; ++i)
        length += strlen(zavik_message_text(file, i)) + 1;
    if (length == 0)
        return strdup(zavik_status_text(status));
    text = malloc(length);
    if (!text)
        return NULL;
    end = text;
    for (i = 0; i < count; ++i) {
        const char *line = zavik_message_text(file, i);
        const size_t n = strlen(line);
        memcpy(end, line, n);
        end += n;
        *end++ = '\n';
    }
    end[-1] = '\0';
    return text;
}

zavik_status zavik_host_open(const void *bytes, size_t size, zavik_file **file, char **error)
{
    zavik_file *opened = NULL;
    zavik_status status;
    *file = NULL;
    *error = NULL;
    /* No name: the plug-ins are not told one, and the file kinds they
     * claim are known by their content. */
    status = zavik_open_memory(bytes, size, NULL, &opened);
    if (status == ZAVIK_OK) {
        *file = opened;
        return status;
    }
    *error = opened ? error_text(opened, status) : strdup(zavik_status_text(status));
    zavik_close(opened);
    if (!*error)
        status = ZAVIK_ERROR_NO_MEMORY;
    return status;
}

static unsigned char *rgba_buffer(int width, int height)
{
    if (width <= 0 || height <= 0 || (size_t)width > SIZE_MAX / 4 / (size_t)height)
        return NULL;
    return malloc((size_t)width * (size_t)height * 4);
}

static int any_transparent(const zavik_host_picture *picture)
{
    const size_t bytes = (size_t)picture->width * (size_t)picture->height * 4;
    size_t i;
    for (i = 3; i < bytes; i += 4)
        if (picture->rgba[i] != 255)
            return 1;
    return 0;
}

zavik_status zavik_host_picture_get(zavik_file *file, int width, int height, zavik_host_picture *picture)
{
    const int full_width = zavik_width(file), full_height = zavik_height(file);
    zavik_status status;
    memset(picture, 0, sizeof *picture);
    if (full_width <= 0 || full_height <= 0)
        return ZAVIK_ERROR_NO_PICTURE;
    if (width <= 0 || height <= 0 || (width >= full_width && height >= full_height)) {
        picture->width = full_width;
        picture->height = full_height;
        picture->has_alpha = zavik_has_alpha(file);
        picture->rgba = rgba_buffer(full_width, full_height);
        if (!picture->rgba)
            return ZAVIK_ERROR_NO_MEMORY;
        /* What the window shows at 100 %; a picture with transparent parts
         * keeps them rather than the window's checkerboard behind them. */
        status = picture->has_alpha ? zavik_picture_rgba(file, picture->rgba, (size_t)full_width * 4)
                                    : zavik_view_rgba(file, 100, picture->rgba, (size_t)full_width * 4);
    } else {
        const int side = width > height ? width : height;
        status = zavik_thumbnail_size(file, side, &picture->width, &picture->height);
        if (status != ZAVIK_OK)
            return status;
        picture->rgba = rgba_buffer(picture->width, picture->height);
        if (!picture->rgba)
            return ZAVIK_ERROR_NO_MEMORY;
        status = zavik_thumbnail_rgba(file, side, picture->rgba, (size_t)picture->width * 4);
        if (status == ZAVIK_OK)
            picture->has_alpha = zavik_has_alpha(file) || any_transparent(picture);
    }
    if (status != ZAVIK_OK)
        zavik_host_picture_free(picture);
    return status;
}

void zavik_host_picture_free(zavik_host_picture *picture)
{
    free(picture->rgba);
    memset(picture, 0, sizeof *picture);
}
