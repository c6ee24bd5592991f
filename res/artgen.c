/* Turns the text pictures of res/art/ into the BMP and ICO files that the
 * resource script includes. Runs on the build machine.
 *
 *   artgen PICTURE OUTPUT [C=R,G,B ...]
 *
 * A picture file is made of lines:
 *   ; text            a comment
 *   bitmap W H BPP    a W × H bitmap of 1 or 24 bits per pixel
 *   icon W H          a W × H icon (32 bits with an AND mask)
 *   color C R G B     the character C stands for that colour
 *   clear C           the character the image starts filled with; for an icon
 *                     also its transparent colour
 *   at X Y            the rows that follow, up to a blank line or the next
 *                     line of words, are placed with their top left at X, Y
 *   anything else     a row of the current picture, one character per pixel
 * In a 1-bit bitmap '#' is the ink (black) and every other character paper
 * (white). Colours given on the command line replace those of the file, so
 * one picture can give several icons.
 */
#include <ctype.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { MaxSide = 1024 };

struct Image {
    int width, height, bpp, icon;
    unsigned char pixels[MaxSide * MaxSide]; /* characters */
    long colors[256];                          /* 0xRRGGBB, -1 undefined */
    unsigned char clear;
};

static struct Image image;
static const char *inputName;
static int lineNumber;

static void fail(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    fprintf(stderr, "%s:%d: ", inputName, lineNumber);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    exit(1);
}

static void put16(FILE *out, unsigned value)
{
    fputc(value & 0xFF, out);
    fputc((value >> 8) & 0xFF, out);
}

static void put32(FILE *out, unsigned long value)
{
    put16(out, value & 0xFFFF);
    put16(out, (value >> 16) & 0xFFFF);
}

static void putInfoHeader(FILE *out, int height, int bpp, unsigned long imageSize, int paletteSize)
{
    put32(out, 40);
    put32(out, (unsigned long)image.width);
    put32(out, (unsigned long)height);
    put16(out, 1);
    put16(out, (unsigned)bpp);
    put32(out, 0);          /* BI_RGB */
    put32(out, imageSize);
    put32(out, 2835);       /* 72 dpi */
    put32(out, 2835);
    put32(out, (unsigned long)paletteSize);
    put32(out, 0);
}

static unsigned char at(int x, int y) { return image.pixels[y * image.width + x]; }

static long colorOf(int x, int y)
{
    long color = image.colors[at(x, y)];
    if (color < 0)
        fail("pixel %d,%d: the character '%c' has no colour", x, y, at(x, y));
    return color;
}

static int monoStride(void) { return ((image.width + 31) / 32) * 4; }

/* 1 bit: palette 0 black (ink), 1 white. */
static void writeMono(FILE *out)
{
    int stride = monoStride();
    unsigned long size = (unsigned long)stride * image.height;
    fputc('B', out);
    fputc('M', out);
    put32(out, 14 + 40 + 8 + size);
    put32(out, 0);
    put32(out, 14 + 40 + 8);
    putInfoHeader(out, image.height, 1, size, 2);
    put32(out, 0x000000);
    put32(out, 0xFFFFFF);
    for (int y = image.height - 1; y >= 0; y--) {
        for (int byte = 0; byte < stride; byte++) {
            unsigned value = 0;
            for (int bit = 0; bit < 8; bit++) {
                int x = byte * 8 + bit;
                int white = x >= image.width || at(x, y) != '#';
                value |= (unsigned)white << (7 - bit);
            }
            fputc((int)value, out);
        }
    }
}

static void writeColor(FILE *out)
{
    int stride = ((image.width * 3 + 3) / 4) * 4;
    unsigned long size = (unsigned long)stride * image.height;
    fputc('B', out);
    fputc('M', out);
    put32(out, 14 + 40 + size);
    put32(out, 0);
    put32(out, 14 + 40);
    putInfoHeader(out, image.height, 24, size, 0);
    for (int y = image.height - 1; y >= 0; y--) {
        int written = 0;
        for (int x = 0; x < image.width; x++) {
            long color = colorOf(x, y);
            fputc((int)(color & 0xFF), out);
            fputc((int)((color >> 8) & 0xFF), out);
            fputc((int)((color >> 16) & 0xFF), out);
            written += 3;
        }
        for (; written < stride; written++)
            fputc(0, out);
    }
}

/* One 32-bit image with its AND mask; the clear character is transparent. */
static void writeIcon(FILE *out)
{
    int maskStride = monoStride();
    unsigned long size = 40 + (unsigned long)image.width * image.height * 4 + (unsigned long)maskStride * image.height;
    put16(out, 0);
    put16(out, 1);          /* icon */
    put16(out, 1);          /* one image */
    fputc(image.width & 0xFF, out);
    fputc(image.height & 0xFF, out);
    fputc(0, out);
    fputc(0, out);
    put16(out, 1);
    put16(out, 32);
    put32(out, size);
    put32(out, 6 + 16);
    putInfoHeader(out, image.height * 2, 32, 0, 0);
    for (int y = image.height - 1; y >= 0; y--) {
        for (int x = 0; x < image.width; x++) {
            if (at(x, y) == image.clear) {
                put32(out, 0);
                continue;
            }
            long color = colorOf(x, y);
            put32(out, 0xFF000000UL | (unsigned long)color);
        }
    }
    for (int y = image.height - 1; y >= 0; y--) {
        for (int byte = 0; byte < maskStride; byte++) {
            unsigned value = 0;
            for (int bit = 0; bit < 8; bit++) {
                int x = byte * 8 + bit;
                int transparent = x >= image.width || at(x, y) == image.clear;
                value |= (unsigned)transparent << (7 - bit);
            }
            fputc((int)value, out);
        }
    }
}

static int isDirective(const char *line, const char *word)
{
    size_t length = strlen(word);
    return strncmp(line, word, length) == 0 && (line[length] == ' ' || line[length] == '\t');
}

static void readPicture(FILE *in)
{
    char line[MaxSide + 64];
    int placing = 0, x0 = 0, y0 = 0, row = 0;
    memset(image.colors, 0xFF, sizeof image.colors);
    image.colors['#'] = 0x000000;
    image.colors['.'] = 0xFFFFFF;
    image.clear = '.';
    while (fgets(line, sizeof line, in)) {
        lineNumber++;
        size_t length = strlen(line);
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
            line[--length] = '\0';
        if (line[0] == ';')
            continue;
        if (length == 0) {
            placing = 0;
            continue;
        }
        int a, b, c, d;
        char ch;
        if (isDirective(line, "bitmap")) {
            if (sscanf(line + 6, "%d %d %d", &a, &b, &c) != 3 || a < 1 || b < 1 || a > MaxSide || b > MaxSide ||
                (c != 1 && c != 24))
                fail("bitmap W H BPP with BPP 1 or 24");
            image.width = a, image.height = b, image.bpp = c, image.icon = 0;
            memset(image.pixels, image.clear, sizeof image.pixels);
        } else if (isDirective(line, "icon")) {
            if (sscanf(line + 4, "%d %d", &a, &b) != 2 || a < 1 || b < 1 || a > 255 || b > 255)
                fail("icon W H");
            image.width = a, image.height = b, image.bpp = 32, image.icon = 1;
            memset(image.pixels, image.clear, sizeof image.pixels);
        } else if (isDirective(line, "color")) {
            if (sscanf(line + 5, " %c %d %d %d", &ch, &a, &b, &c) != 4)
                fail("color C R G B");
            image.colors[(unsigned char)ch] = ((long)a << 16) | ((long)b << 8) | c;
        } else if (isDirective(line, "clear")) {
            if (sscanf(line + 5, " %c", &ch) != 1)
                fail("clear C");
            image.clear = (unsigned char)ch;
            memset(image.pixels, image.clear, sizeof image.pixels);
        } else if (isDirective(line, "at")) {
            if (!image.width)
                fail("'at' before 'bitmap' or 'icon'");
            if (sscanf(line + 2, "%d %d", &a, &b) != 2)
                fail("at X Y");
            placing = 1, x0 = a, y0 = b, row = 0;
        } else {
            if (!placing)
                fail("a picture row outside an 'at' block");
            for (d = 0; d < (int)length; d++) {
                int x = x0 + d, y = y0 + row;
                if (x >= image.width || y >= image.height)
                    fail("pixel %d,%d lies outside the %d x %d image", x, y, image.width, image.height);
                image.pixels[y * image.width + x] = (unsigned char)line[d];
            }
            row++;
        }
    }
    if (!image.width)
        fail("no 'bitmap' or 'icon' line");
}

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: artgen PICTURE OUTPUT [C=R,G,B ...]\n");
        return 2;
    }
    inputName = argv[1];
    FILE *in = fopen(argv[1], "r");
    if (!in) {
        perror(argv[1]);
        return 1;
    }
    readPicture(in);
    fclose(in);
    for (int i = 3; i < argc; i++) {
        int r, g, b;
        char ch;
        if (sscanf(argv[i], "%c=%d,%d,%d", &ch, &r, &g, &b) != 4) {
            fprintf(stderr, "bad colour %s\n", argv[i]);
            return 2;
        }
        image.colors[(unsigned char)ch] = ((long)r << 16) | ((long)g << 8) | b;
    }
    FILE *out = fopen(argv[2], "wb");
    if (!out) {
        perror(argv[2]);
        return 1;
    }
    if (image.icon)
        writeIcon(out);
    else if (image.bpp == 1)
        writeMono(out);
    else
        writeColor(out);
    if (fclose(out) != 0) {
        perror(argv[2]);
        remove(argv[2]);
        return 1;
    }
    return 0;
}
