// A small square RGBA canvas with anti-aliased shape filling, enough to draw the program's
// icons from signed distance functions. Colours are straight (not premultiplied), 0..1.
#pragma once

#include <functional>
#include <vector>

namespace icongen {

struct Rgba {
    float r;
    float g;
    float b;
    float a;
};

// Signed distance in pixels from a point to a shape's edge: negative inside.
using Shape = std::function<float(float x, float y)>;
// The paint of a shape at a point.
using Paint = std::function<Rgba(float x, float y)>;

class Canvas {
  public:
    explicit Canvas(int size);

    int Size() const { return size_; }
    const Rgba& At(int x, int y) const { return pixels_[static_cast<std::size_t>(y * size_ + x)]; }

    // Composites `paint` over the canvas wherever `shape` covers a pixel centre; `blur` widens
    // the edge into a soft ramp of that many pixels (0 gives a one-pixel anti-aliased edge).
    void Fill(const Shape& shape, const Paint& paint, float blur = 0.0f);

  private:
    int size_;
    std::vector<Rgba> pixels_;
};

Shape RoundedRect(float left, float top, float right, float bottom, float radius);
Shape Ellipse(float cx, float cy, float rx, float ry);
// A segment from (x0, y0) to (x1, y1) thickened by `radius` (round ends).
Shape Capsule(float x0, float y0, float x1, float y1, float radius);
Shape Union(Shape a, Shape b);
Shape Intersection(Shape a, Shape b);
Shape Offset(Shape shape, float dx, float dy);

Paint Solid(Rgba colour);
// A vertical gradient from `top` at y0 to `bottom` at y1.
Paint VerticalGradient(Rgba top, float y0, Rgba bottom, float y1);
Rgba Hex(unsigned rgb, float alpha = 1.0f);

}  // namespace icongen
