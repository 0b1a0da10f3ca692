/* The floor of the job: read an uncompressed 24-bit BMP and put it on the
 * root window, with nothing else (no scaling, no properties, no copy). */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s picture.bmp\n", argv[0]);
        return 2;
    }
    FILE* file = fopen(argv[1], "rb");
    if (!file)
        return 1;
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    fseek(file, 0, SEEK_SET);
    unsigned char* bytes = malloc((size_t)size);
    if (fread(bytes, 1, (size_t)size, file) != (size_t)size)
        return 1;
    fclose(file);
    uint32_t offset = le32(bytes + 10);
    int width = (int)le32(bytes + 18), height = (int)le32(bytes + 22);
    int stride = (width * 3 + 3) & ~3;

    uint32_t* pixels = malloc((size_t)width * (size_t)height * 4);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = bytes + offset + (size_t)(height - 1 - y) * (size_t)stride;
        uint32_t* out = pixels + (size_t)y * (size_t)width;
        for (int x = 0; x < width; ++x)
            out[x] = (uint32_t)row[3 * x] | (uint32_t)row[3 * x + 1] << 8 | (uint32_t)row[3 * x + 2] << 16;
    }

    Display* display = XOpenDisplay(NULL);
    if (!display)
        return 1;
    int screen = DefaultScreen(display);
    Window root = RootWindow(display, screen);
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap, 0, (char*)pixels,
                                 (unsigned)width, (unsigned)height, 32, 0);
    Pixmap pixmap = XCreatePixmap(display, root, (unsigned)width, (unsigned)height, 24);
    GC gc = XCreateGC(display, pixmap, 0, NULL);
    XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, (unsigned)width, (unsigned)height);
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
    XFreePixmap(display, pixmap);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}
