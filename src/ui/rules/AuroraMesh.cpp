#include "ui/rules/AuroraMesh.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

struct Vec {
    double x, y;
    Vec operator+(Vec o) const { return {x + o.x, y + o.y}; }
    Vec operator-(Vec o) const { return {x - o.x, y - o.y}; }
};

double cross(Vec a, Vec b) {
    return a.x * b.y - a.y * b.x;
}

// The parameters (s, t) in [0, 1]² at which the bilinear patch a-b-c-d (clockwise from the
// top-left) passes through p.
std::pair<double, double> inverseBilinear(Vec p, Vec a, Vec b, Vec c, Vec d) {
    const Vec e = b - a, f = d - a, g = a - b + c - d, h = p - a;
    const double k2 = cross(g, f);
    const double k1 = cross(e, f) + cross(h, g);
    const double k0 = cross(h, e);
    double t = 0;
    if (std::abs(k2) < 1e-9) {
        t = -k0 / k1;
    } else {
        const double w = std::sqrt(std::max(0.0, k1 * k1 - 4.0 * k0 * k2));
        t = (-k1 - w) / (2.0 * k2);
        if (t < 0.0 || t > 1.0)
            t = (-k1 + w) / (2.0 * k2);
    }
    const double dx = e.x + g.x * t, dy = e.y + g.y * t;
    const double s = std::abs(dx) > std::abs(dy) ? (h.x - f.x * t) / dx : (h.y - f.y * t) / dy;
    return {std::clamp(s, 0.0, 1.0), std::clamp(t, 0.0, 1.0)};
}

double ease(double x) {
    return x * x * (3.0 - 2.0 * x);
}

struct Rgb {
    double r, g, b;
};

Rgb rgb(const QColor& c) {
    return {c.redF(), c.greenF(), c.blueF()};
}

} // namespace

const AuroraColours& darkAuroraColours() {
    static const AuroraColours colours = {
        QColor::fromRgbF(0.05f, 0.07f, 0.2f),  QColor::fromRgbF(0.1f, 0.2f, 0.45f),
        QColor::fromRgbF(0.06f, 0.35f, 0.48f), QColor::fromRgbF(0.08f, 0.16f, 0.42f),
        QColor::fromRgbF(0.16f, 0.42f, 0.62f), QColor::fromRgbF(0.32f, 0.18f, 0.55f),
        QColor::fromRgbF(0.04f, 0.06f, 0.18f), QColor::fromRgbF(0.1f, 0.12f, 0.35f),
        QColor::fromRgbF(0.05f, 0.08f, 0.22f)};
    return colours;
}

const AuroraColours& lightAuroraColours() {
    static const AuroraColours colours = {
        QColor::fromRgbF(0.8f, 0.88f, 0.99f),  QColor::fromRgbF(0.72f, 0.84f, 0.97f),
        QColor::fromRgbF(0.68f, 0.9f, 0.93f),  QColor::fromRgbF(0.82f, 0.86f, 0.99f),
        QColor::fromRgbF(0.74f, 0.88f, 0.98f), QColor::fromRgbF(0.86f, 0.82f, 0.97f),
        QColor::fromRgbF(0.9f, 0.94f, 1.0f),   QColor::fromRgbF(0.8f, 0.86f, 0.98f),
        QColor::fromRgbF(0.84f, 0.9f, 0.99f)};
    return colours;
}

QPointF auroraCentre(double seconds) {
    return {0.5 + 0.07 * std::sin(0.5 * seconds), 0.5 + 0.07 * std::cos(0.4 * seconds)};
}

QImage renderAuroraMesh(QSize size, QPointF centre, const AuroraColours& colours,
                        const QColor& wash, bool dither) {
    // A 4 × 4 Bayer matrix: thresholds spread evenly over one step of 8-bit colour.
    static constexpr int kBayer[4][4] = {
        {0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    QImage image(size, QImage::Format_RGB32);
    const Vec mid{centre.x(), centre.y()};
    // The control points of the mesh, row by row.
    const Vec points[3][3] = {
        {{0, 0}, {0.5, 0}, {1, 0}}, {{0, 0.5}, mid, {1, 0.5}}, {{0, 1}, {0.5, 1}, {1, 1}}};
    Rgb tint[9];
    const Rgb washRgb = rgb(wash);
    const double washAlpha = wash.alphaF();
    for (int i = 0; i < 9; ++i) {
        const Rgb c = rgb(colours[std::size_t(i)]);
        tint[i] = {c.r + (washRgb.r - c.r) * washAlpha, c.g + (washRgb.g - c.g) * washAlpha,
                   c.b + (washRgb.b - c.b) * washAlpha};
    }

    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double v = (y + 0.5) / size.height();
        for (int x = 0; x < size.width(); ++x) {
            const double u = (x + 0.5) / size.width();
            // The patch borders run from the edge midpoints through the moving centre.
            const double splitX = v < mid.y ? 0.5 + (mid.x - 0.5) * (v / mid.y)
                                            : mid.x + (0.5 - mid.x) * ((v - mid.y) / (1 - mid.y));
            const double splitY = u < mid.x ? 0.5 + (mid.y - 0.5) * (u / mid.x)
                                            : mid.y + (0.5 - mid.y) * ((u - mid.x) / (1 - mid.x));
            const int col = u < splitX ? 0 : 1;
            const int row = v < splitY ? 0 : 1;
            const auto [s, t] = inverseBilinear({u, v}, points[row][col], points[row][col + 1],
                                                points[row + 1][col + 1], points[row + 1][col]);
            const double es = ease(s), et = ease(t);
            const double w00 = (1 - es) * (1 - et), w01 = es * (1 - et);
            const double w10 = (1 - es) * et, w11 = es * et;
            const Rgb& c00 = tint[row * 3 + col];
            const Rgb& c01 = tint[row * 3 + col + 1];
            const Rgb& c10 = tint[(row + 1) * 3 + col];
            const Rgb& c11 = tint[(row + 1) * 3 + col + 1];
            const double offset = dither ? (kBayer[y % 4][x % 4] + 0.5) / 16.0 - 0.5 : 0.0;
            const auto channel = [&](double Rgb::*m) {
                const double value = w00 * c00.*m + w01 * c01.*m + w10 * c10.*m + w11 * c11.*m;
                return std::clamp(int(std::lround(value * 255.0 + offset)), 0, 255);
            };
            line[x] = qRgb(channel(&Rgb::r), channel(&Rgb::g), channel(&Rgb::b));
        }
    }
    return image;
}

} // namespace vantorel
