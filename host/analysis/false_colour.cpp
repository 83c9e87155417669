#include "analysis/false_colour.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace uvo_host {

namespace {

// A 5 x 7 font: each glyph seven rows of five columns, '#' set.
struct Glyph {
    char c;
    const char *rows[7];
};

const Glyph kFont[] = {
    {'0', {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "}},
    {'1', {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'2', {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"}},
    {'3', {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "}},
    {'4', {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "}},
    {'5', {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "}},
    {'6', {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "}},
    {'7', {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "}},
    {'8', {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "}},
    {'9', {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "}},
    {'.', {"     ", "     ", "     ", "     ", "     ", " ##  ", " ##  "}},
    {',', {"     ", "     ", "     ", "     ", " ##  ", "  #  ", " #   "}},
    {'-', {"     ", "     ", "     ", "#####", "     ", "     ", "     "}},
    {'+', {"     ", "  #  ", "  #  ", "#####", "  #  ", "  #  ", "     "}},
    {'%', {"##   ", "##  #", "   # ", "  #  ", " #   ", "#  ##", "   ##"}},
    {'/', {"     ", "    #", "   # ", "  #  ", " #   ", "#    ", "     "}},
    {':', {"     ", " ##  ", " ##  ", "     ", " ##  ", " ##  ", "     "}},
    {'=', {"     ", "     ", "#####", "     ", "#####", "     ", "     "}},
    {'(', {"   # ", "  #  ", " #   ", " #   ", " #   ", "  #  ", "   # "}},
    {')', {" #   ", "  #  ", "   # ", "   # ", "   # ", "  #  ", " #   "}},
    {'_', {"     ", "     ", "     ", "     ", "     ", "     ", "#####"}},
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'B', {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "}},
    {'C', {" ### ", "#   #", "#    ", "#    ", "#    ", "#   #", " ### "}},
    {'D', {"#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'F', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "}},
    {'G', {" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"}},
    {'H', {"#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'J', {"  ###", "   # ", "   # ", "   # ", "   # ", "#  # ", " ##  "}},
    {'K', {"#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'M', {"#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"}},
    {'N', {"#   #", "#   #", "##  #", "# # #", "#  ##", "#   #", "#   #"}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
    {'Q', {" ### ", "#   #", "#   #", "#   #", "# # #", "#  # ", " ## #"}},
    {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'U', {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'V', {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "}},
    {'W', {"#   #", "#   #", "#   #", "# # #", "# # #", "# # #", " # # "}},
    {'X', {"#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"}},
    {'Y', {"#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'Z', {"#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"}},
};

const Glyph *glyph(char c) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph &g : kFont)
        if (g.c == upper)
            return &g;
    return nullptr;
}

constexpr Color kWhite{1, 1, 1, 1};
constexpr Color kBlack{0, 0, 0, 1};
constexpr Color kInk{0.1f, 0.1f, 0.1f, 1};

// Dark or light ink, whichever reads on `background`.
Color ink_on(const Color &background) {
    const float y = 0.2126f * background.r + 0.7152f * background.g + 0.0722f * background.b;
    return y > 0.45f ? kBlack : kWhite;
}

}  // namespace

double ColourScale::position(double value) const {
    double t;
    if (log) {
        const double lo = std::log10(std::max(min, 1e-30)), hi = std::log10(std::max(max, min * 10.0));
        t = value > 0.0 ? (std::log10(value) - lo) / (hi - lo) : 0.0;
    } else {
        t = max > min ? (value - min) / (max - min) : 0.0;
    }
    return std::isfinite(t) ? std::clamp(t, 0.0, 1.0) : 0.0;
}

double ColourScale::value_at(double t) const {
    if (log) {
        const double lo = std::log10(std::max(min, 1e-30)), hi = std::log10(std::max(max, min * 10.0));
        return std::pow(10.0, lo + t * (hi - lo));
    }
    return min + t * (max - min);
}

Color scale_colour(double t) {
    // Piecewise linear through six stops.
    static const float stops[6][3] = {{0.05f, 0.05f, 0.45f}, {0.0f, 0.35f, 0.95f}, {0.0f, 0.85f, 0.9f},
                                      {0.2f, 0.85f, 0.2f},   {1.0f, 0.9f, 0.0f},   {0.9f, 0.1f, 0.05f}};
    const double x = std::clamp(t, 0.0, 1.0) * 5.0;
    const int i = std::min(static_cast<int>(x), 4);
    const float f = static_cast<float>(x - i);
    return Color{stops[i][0] + f * (stops[i + 1][0] - stops[i][0]), stops[i][1] + f * (stops[i + 1][1] - stops[i][1]),
                 stops[i][2] + f * (stops[i + 1][2] - stops[i][2]), 1.0f};
}

std::string format_value(double v) {
    char text[32];
    const double a = std::fabs(v);
    if (a == 0.0 || (a >= 0.01 && a < 100000.0)) {
        const int decimals = a >= 100.0 ? 0 : a >= 10.0 ? 1 : 2;
        std::snprintf(text, sizeof text, "%.*f", decimals, v);
    } else {
        std::snprintf(text, sizeof text, "%.2e", v);
    }
    return text;
}

Canvas::Canvas(int width, int height, Color background) : image_(width, height) {
    fill(0, 0, width, height, background);
}

void Canvas::fill(int x, int y, int w, int h, Color c) {
    c.a = 1.0f;
    for (int j = std::max(y, 0); j < std::min(y + h, image_.height); ++j)
        for (int i = std::max(x, 0); i < std::min(x + w, image_.width); ++i)
            image_.put(i, j, c);
}

int Canvas::text(int x, int y, const std::string &text, int size, Color c) {
    int pen = x;
    for (char ch : text) {
        if (const Glyph *g = glyph(ch))
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g->rows[row][col] == '#')
                        fill(pen + col * size, y + row * size, size, size, c);
        pen += 6 * size;
    }
    return pen - x;
}

void Canvas::legend(int x, int y, int height, const ColourScale &scale) {
    const int bar = 24;
    text(x, y, scale.unit + (scale.log ? " (LOG)" : ""), 2, kInk);
    const int top = y + 24;
    for (int j = 0; j < height; ++j)
        fill(x, top + j, bar, 1, scale_colour(1.0 - static_cast<double>(j) / std::max(height - 1, 1)));
    const int ticks = 5;
    for (int k = 0; k <= ticks; ++k) {
        const double t = static_cast<double>(k) / ticks;
        const int ty = top + static_cast<int>((1.0 - t) * (height - 1));
        fill(x + bar, ty, 6, 1, kInk);
        text(x + bar + 10, ty - 7, format_value(scale.value_at(t)), 2, kInk);
    }
}

Image grid_picture(const SensorGrid &grid, const std::vector<double> &values, const ColourScale &scale,
                   const std::string &title) {
    const int columns = std::max(grid.count_u, 1), rows = std::max(grid.count_v, 1);
    // Cells large enough for their numbers, the picture at most about 1200
    // pixels across.
    const int cell = std::clamp(1000 / std::max(columns, rows), 8, 72);
    const int margin = 20, band = 40, legend_width = 150;
    const int legend_height = 240;
    const int width = std::max(margin * 2 + columns * cell + legend_width,
                               margin * 2 + Canvas::text_width(title, 2));
    const int height = band + margin + std::max(rows * cell, legend_height + 30);
    Canvas canvas(width, height, kWhite);
    canvas.text(margin, 12, title, 2, kInk);
    for (int j = 0; j < rows; ++j)
        for (int i = 0; i < columns; ++i) {
            const size_t index = static_cast<size_t>(j) * columns + i;
            if (index >= values.size())
                continue;
            const Color c = scale_colour(scale.position(values[index]));
            const int x = margin + i * cell, y = band + j * cell;
            canvas.fill(x, y, cell - 1, cell - 1, c);
            const std::string label = format_value(values[index]);
            const int size = Canvas::text_width(label, 2) <= cell - 6 ? 2 : 1;
            if (Canvas::text_width(label, size) <= cell - 2)
                canvas.text(x + (cell - Canvas::text_width(label, size)) / 2, y + (cell - 7 * size) / 2, label,
                            size, ink_on(c));
        }
    canvas.legend(margin * 2 + columns * cell, band, legend_height, scale);
    return canvas.image();
}

Image luminance_picture(const std::vector<float> &luminance, int width, int height, const ColourScale &scale) {
    const int legend_width = 170, legend_height = std::clamp(height - 40, 240, 400);
    Canvas canvas(width + legend_width, std::max(height, legend_height + 40), kWhite);
    Image picture = canvas.image();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.put(x, y, scale_colour(scale.position(luminance[static_cast<size_t>(y) * width + x])));
    Canvas legend(legend_width, picture.height, kWhite);
    legend.legend(14, 8, legend_height, scale);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < legend_width; ++x)
            picture.put(width + x, y, legend.image().get(x, y));
    return picture;
}

}  // namespace uvo_host
