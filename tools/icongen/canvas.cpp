#include "tools/icongen/canvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace icongen {

Canvas::Canvas(int size)
    : size_(size), pixels_(static_cast<std::size_t>(size * size), Rgba{0, 0, 0, 0}) {}

void Canvas::Fill(const Shape& shape, const Paint& paint, float blur) {
    const float ramp = std::max(blur, 1.0f);
    for (int y = 0; y < size_; ++y) {
        for (int x = 0; x < size_; ++x) {
            const float px = static_cast<float>(x) + 0.5f;
            const float py = static_cast<float>(y) + 0.5f;
            const float coverage = std::clamp(0.5f - shape(px, py) / ramp, 0.0f, 1.0f);
            if (coverage <= 0.0f) {
                continue;
            }
            const Rgba src = paint(px, py);
            const float sa = src.a * coverage;
            Rgba& dst = pixels_[static_cast<std::size_t>(y * size_ + x)];
            const float outA = sa + dst.a * (1.0f - sa);
            if (outA <= 0.0f) {
                continue;
            }
            auto mix = [&](float s, float d) { return (s * sa + d * dst.a * (1.0f - sa)) / outA; };
            dst = Rgba{mix(src.r, dst.r), mix(src.g, dst.g), mix(src.b, dst.b), outA};
        }
    }
}

Shape RoundedRect(float left, float top, float right, float bottom, float radius) {
    const float cx = (left + right) / 2;
    const float cy = (top + bottom) / 2;
    const float hx = (right - left) / 2 - radius;
    const float hy = (bottom - top) / 2 - radius;
    return [=](float x, float y) {
        const float qx = std::abs(x - cx) - hx;
        const float qy = std::abs(y - cy) - hy;
        const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        return outside + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}

Shape Ellipse(float cx, float cy, float rx, float ry) {
    // Distance approximated by scaling to a unit circle; good enough for soft shadows.
    const float scale = std::min(rx, ry);
    return [=](float x, float y) {
        const float dx = (x - cx) / rx;
        const float dy = (y - cy) / ry;
        return (std::hypot(dx, dy) - 1.0f) * scale;
    };
}

Shape Capsule(float x0, float y0, float x1, float y1, float radius) {
    return [=](float x, float y) {
        const float vx = x1 - x0;
        const float vy = y1 - y0;
        const float t =
            std::clamp(((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy), 0.0f, 1.0f);
        return std::hypot(x - (x0 + t * vx), y - (y0 + t * vy)) - radius;
    };
}

Shape Union(Shape a, Shape b) {
    return [a = std::move(a), b = std::move(b)](float x, float y) {
        return std::min(a(x, y), b(x, y));
    };
}

Shape Intersection(Shape a, Shape b) {
    return [a = std::move(a), b = std::move(b)](float x, float y) {
        return std::max(a(x, y), b(x, y));
    };
}

Shape Offset(Shape shape, float dx, float dy) {
    return [s = std::move(shape), dx, dy](float x, float y) { return s(x - dx, y - dy); };
}

Paint Solid(Rgba colour) {
    return [colour](float, float) { return colour; };
}

Paint VerticalGradient(Rgba top, float y0, Rgba bottom, float y1) {
    return [=](float, float y) {
        const float t = std::clamp((y - y0) / (y1 - y0), 0.0f, 1.0f);
        auto lerp = [t](float a, float b) { return a + (b - a) * t; };
        return Rgba{lerp(top.r, bottom.r), lerp(top.g, bottom.g), lerp(top.b, bottom.b),
                    lerp(top.a, bottom.a)};
    };
}

Rgba Hex(unsigned rgb, float alpha) {
    return Rgba{static_cast<float>((rgb >> 16) & 0xFF) / 255.0f,
                static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
                static_cast<float>(rgb & 0xFF) / 255.0f, alpha};
}

}  // namespace icongen
