// A point, a direction vector, a point on a plane or a plane normal: three doubles.
#pragma once

#include <cmath>

struct Vector3 {
    double x;
    double y;
    double z;
};

inline Vector3 operator+(Vector3 a, Vector3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 operator-(Vector3 a, Vector3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 operator*(Vector3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vector3 operator*(double s, Vector3 a) { return {s * a.x, s * a.y, s * a.z}; }

inline double Dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

inline Vector3 Cross(Vector3 a, Vector3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline double Length(Vector3 a) { return std::sqrt(Dot(a, a)); }
