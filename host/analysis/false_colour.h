// False-colour pictures of analysis results: a colour scale, a legend with
// its numbers and units, and the two pictures the analysis writes: a sensor
// grid (one square per sensor with its value) and a luminance map of a
// camera render.  Pictures are display-ready 8-bit values in an Image (write
// them with write_png(..., display_values = true)).
#pragma once

#include <string>
#include <vector>

#include "analysis/analysis_plan.h"
#include "image/image.h"

namespace uvo_host {

// How values map to the colour scale: linear from 0 to `max`, or
// logarithmic from `min` to `max` (both positive).
struct ColourScale {
    double min = 0.0;
    double max = 1.0;
    bool log = false;
    std::string unit;                   // printed on the legend: "lux", "%", "cd/m2"

    // Position of `value` on the scale, clamped to [0, 1].
    double position(double value) const;
    // The value at position t in [0, 1].
    double value_at(double t) const;
};

// The colour at position t in [0, 1]: dark blue through cyan, green and
// yellow to red, as daylight tools show them (display values).
Color scale_colour(double t);

// An 8-bit-style canvas over an Image (values in [0, 1], alpha 1).
class Canvas {
public:
    Canvas(int width, int height, Color background);
    void fill(int x, int y, int w, int h, Color c);
    // Draws `text` with its top-left corner at (x, y) in a 5 x 7 pixel font
    // scaled by `size`; lower-case letters are drawn as capitals, characters
    // the font lacks as blanks.  Returns the width drawn.
    int text(int x, int y, const std::string &text, int size, Color c);
    static int text_width(const std::string &text, int size) { return static_cast<int>(text.size()) * 6 * size; }
    // A vertical legend: the scale's colours from bottom (min) to top (max)
    // in a bar of `height` pixels at (x, y), with numbered ticks and the
    // unit above it.  Takes about 130 pixels across.
    void legend(int x, int y, int height, const ColourScale &scale);
    const Image &image() const { return image_; }

private:
    Image image_;
};

// The picture of one grid: a square per sensor coloured by its value on
// `scale`, with the value written in it, the title above and the legend at
// the side.  Sensor (i, j) of a regular grid sits in column i, row j from
// the top; a list of points is one row.
Image grid_picture(const SensorGrid &grid, const std::vector<double> &values, const ColourScale &scale,
                   const std::string &title);

// The picture of a luminance image (cd/m^2 per pixel) on `scale`, with the
// legend at its right.
Image luminance_picture(const std::vector<float> &luminance, int width, int height, const ColourScale &scale);

// Numbers as the legends print them: three significant figures, no exponent
// between 0.01 and 99999.
std::string format_value(double v);

}  // namespace uvo_host
