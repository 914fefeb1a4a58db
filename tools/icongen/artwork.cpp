#include "tools/icongen/artwork.h"

namespace icongen {

Canvas DrawOnline() {
    Canvas c(48);
    // Shadow on the ground beneath the printer.
    c.Fill(Ellipse(24.5f, 41.5f, 20.0f, 3.5f), Solid(Hex(0x000000, 0.45f)), 3.5f);
    // Body: a dark outline, then the light-grey face lit from above.
    const Shape body = RoundedRect(4.5f, 16.0f, 43.5f, 38.5f, 4.0f);
    c.Fill(body, Solid(Hex(0x7C7C7C)));
    const Shape face = RoundedRect(5.5f, 17.0f, 42.5f, 37.5f, 3.2f);
    c.Fill(face, VerticalGradient(Hex(0xEFEFEF), 17.0f, Hex(0xB9B9B9), 37.5f));
    // Paper slot on top, and the sheet standing out of it with a soft shadow of its own.
    c.Fill(RoundedRect(11.0f, 17.5f, 37.0f, 20.5f, 1.0f), Solid(Hex(0x4A4A4A)));
    c.Fill(RoundedRect(14.5f, 5.0f, 34.5f, 19.5f, 0.8f), Solid(Hex(0x000000, 0.30f)), 2.0f);
    c.Fill(RoundedRect(13.5f, 3.5f, 33.5f, 19.0f, 0.6f), Solid(Hex(0xA0A0A0)));
    c.Fill(RoundedRect(14.2f, 4.2f, 32.8f, 19.0f, 0.4f), Solid(Hex(0xFFFFFF)));
    for (float y : {8.0f, 11.0f, 14.0f}) {
        c.Fill(RoundedRect(16.5f, y, 30.5f, y + 1.0f, 0.3f), Solid(Hex(0xC8CCD2)));
    }
    // Translucent blue band across the middle, kept inside the body.
    c.Fill(Intersection(face, RoundedRect(3.0f, 24.0f, 45.0f, 30.0f, 0.0f)),
           VerticalGradient(Hex(0x4A8EEA, 0.70f), 24.0f, Hex(0x1F5FC4, 0.70f), 30.0f));
    // Output tray at the bottom front.
    c.Fill(RoundedRect(10.5f, 32.5f, 37.5f, 35.5f, 1.2f), Solid(Hex(0x8E8E8E)));
    c.Fill(RoundedRect(11.5f, 32.5f, 36.5f, 33.5f, 0.5f), Solid(Hex(0x6A6A6A)));
    // Highlight along the top edge of the face.
    c.Fill(Intersection(face, RoundedRect(6.0f, 20.5f, 42.0f, 21.5f, 0.0f)),
           Solid(Hex(0xFFFFFF, 0.6f)));
    return c;
}

Canvas DrawOffline() {
    Canvas c(48);
    const Shape cross =
        Union(Capsule(11.0f, 11.0f, 37.0f, 37.0f, 6.5f), Capsule(37.0f, 11.0f, 11.0f, 37.0f, 6.5f));
    // Soft shadow below and to the right.
    c.Fill(Offset(cross, 1.5f, 2.0f), Solid(Hex(0x000000, 0.40f)), 2.5f);
    // Dark rim, then the red face.
    c.Fill(cross, Solid(Hex(0x8E0E0E)));
    const Shape face =
        Union(Capsule(11.0f, 11.0f, 37.0f, 37.0f, 5.3f), Capsule(37.0f, 11.0f, 11.0f, 37.0f, 5.3f));
    c.Fill(face, VerticalGradient(Hex(0xF0403A), 5.0f, Hex(0xC41E1E), 43.0f));
    // Bevel: a lighter band along the upper-left of each bar, kept inside the face.
    const Shape bevel =
        Union(Capsule(10.0f, 10.0f, 36.0f, 36.0f, 2.6f), Capsule(36.0f, 10.0f, 10.0f, 36.0f, 2.6f));
    c.Fill(Intersection(face, Offset(bevel, -1.8f, -1.8f)), Solid(Hex(0xFF9A90, 0.75f)), 1.5f);
    return c;
}

}  // namespace icongen
