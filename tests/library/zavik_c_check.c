/* A program of another project's kind: it knows the library only through
 * zavik.h and pkg-config, and is compiled as C89. It writes what the library
 * gives for a file, for library_test.py to compare with the zavik tool:
 *
 *   zavik_c_check picture FILE OUT        the picture at 100 %
 *   zavik_c_check view PERCENT FILE OUT   the window's view at a zoom
 *   zavik_c_check thumbnail SIDE FILE OUT
 *   zavik_c_check info FILE               the properties' JSON, then each message
 *
 * OUT gets "WIDTH HEIGHT\n" and the RGBA rows. FILE is read by path, and
 * again from memory, and the two must agree. The exit status is the
 * status of the open (0: a picture). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <zavik/zavik.h>

static unsigned char *read_all(const char *path, size_t *size)
{
    FILE *in = fopen(path, "rb");
    unsigned char *bytes = NULL;
    long length;
    *size = 0;
    if (!in)
        return NULL;
    if (fseek(in, 0, SEEK_END) == 0 && (length = ftell(in)) >= 0 && fseek(in, 0, SEEK_SET) == 0) {
        bytes = (unsigned char *)malloc((size_t)length + 1);
        if (bytes && fread(bytes, 1, (size_t)length, in) == (size_t)length)
            *size = (size_t)length;
    }
    fclose(in);
    return bytes;
}

/* The pixels one way of asking gives; null with a message when it fails. */
static unsigned char *pixels(zavik_file *file, const char *what, int number, int *width, int *height)
{
    unsigned char *rgba;
    zavik_status status;
    if (strcmp(what, "picture") == 0) {
        *width = zavik_width(file);
        *height = zavik_height(file);
        status = ZAVIK_OK;
    } else if (strcmp(what, "view") == 0) {
        status = zavik_view_size(file, number, width, height);
    } else {
        status = zavik_thumbnail_size(file, number, width, height);
    }
    if (status != ZAVIK_OK) {
        fprintf(stderr, "size: %s\n", zavik_status_text(status));
        return NULL;
    }
    rgba = (unsigned char *)malloc((size_t)*width * (size_t)*height * 4 + 1);
    if (!rgba)
        return NULL;
    if (strcmp(what, "picture") == 0)
        status = zavik_picture_rgba(file, rgba, (size_t)*width * 4);
    else if (strcmp(what, "view") == 0)
        status = zavik_view_rgba(file, number, rgba, (size_t)*width * 4);
    else
        status = zavik_thumbnail_rgba(file, number, rgba, (size_t)*width * 4);
    if (status != ZAVIK_OK) {
        fprintf(stderr, "pixels: %s\n", zavik_status_text(status));
        free(rgba);
        return NULL;
    }
    return rgba;
}

int main(int argc, char **argv)
{
    const char *what, *path, *out = NULL;
    int number = 0, width = 0, height = 0, width2 = 0, height2 = 0, result = 0;
    size_t size = 0, i;
    unsigned char *bytes, *rgba = NULL, *rgba2 = NULL;
    zavik_file *file = NULL, *copy = NULL;
    zavik_status opened, openedCopy;
    FILE *output;

    if (zavik_api_version() != ZAVIK_API_VERSION) {
        fprintf(stderr, "the library is of another interface version\n");
        return 100;
    }
    if (argc < 3)
        return 101;
    what = argv[1];
    if (strcmp(what, "view") == 0 || strcmp(what, "thumbnail") == 0) {
        if (argc != 5)
            return 101;
        number = atoi(argv[2]);
        path = argv[3];
        out = argv[4];
    } else if (strcmp(what, "picture") == 0) {
        if (argc != 4)
            return 101;
        path = argv[2];
        out = argv[3];
    } else {
        path = argv[2];
    }

    opened = zavik_open_path(path, &file);
    bytes = read_all(path, &size);
    openedCopy = zavik_open_memory(bytes ? (const void *)bytes : (const void *)"", size, path, &copy);
    free(bytes);
    if (opened != openedCopy || zavik_file_kind(file) != zavik_file_kind(copy) ||
        zavik_message_count(file) != zavik_message_count(copy)) {
        fprintf(stderr, "from memory: status %d, kind %d, %lu messages; by path: %d, %d, %lu\n", (int)openedCopy,
                (int)zavik_file_kind(copy), (unsigned long)zavik_message_count(copy), (int)opened,
                (int)zavik_file_kind(file), (unsigned long)zavik_message_count(file));
        result = 102;
    }

    if (!out) {
        printf("%s\n", zavik_properties_json(file));
        for (i = 0; i < zavik_message_count(file); ++i)
            printf("%d\t%s\t%s\n", zavik_message_id(file, i), zavik_message_caption(file, i),
                   zavik_message_text(file, i));
        if (strcmp(zavik_properties_json(file), zavik_properties_json(copy)) != 0) {
            fprintf(stderr, "the properties differ from memory\n");
            result = 102;
        }
    } else if (opened == ZAVIK_OK) {
        rgba = pixels(file, what, number, &width, &height);
        rgba2 = pixels(copy, what, number, &width2, &height2);
        if (!rgba || !rgba2)
            result = 103;
        else if (width != width2 || height != height2 || memcmp(rgba, rgba2, (size_t)width * height * 4) != 0) {
            fprintf(stderr, "the pixels differ from memory\n");
            result = 102;
        } else if ((output = fopen(out, "wb")) != NULL) {
            fprintf(output, "%d %d\n", width, height);
            fwrite(rgba, 1, (size_t)width * height * 4, output);
            fclose(output);
        }
        free(rgba);
        free(rgba2);
    }
    zavik_close(file);
    zavik_close(copy);
    if (result)
        return result;
    return (int)opened;
}
