#pragma once
// A 4 x 4 matrix of 32-bit floats stored as 16 consecutive floats.
//
// Two conventions meet in this production and both use this storage:
// - camera matrices are stored row after row in the row-vector convention
//   (p' = p x M, translation in the fourth row);
// - machine part transforms act on column vectors (p' = M p) and are stored
//   column by column (translation in floats 12..14).
// Both are the same bytes for the same transform, which is also how the
// shaders read them, so the CPU never transposes.

#include <array>

namespace tolmero {

struct Matrix4 {
    std::array<float, 16> m{};

    // Element (row, column) of the row-major view of the storage.
    float& at(int row, int column) { return m[row * 4 + column]; }
    float at(int row, int column) const { return m[row * 4 + column]; }

    static Matrix4 identity() {
        Matrix4 r;
        r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
        return r;
    }
};

// Row-major product: (a x b)[i][j] = sum_k a[i][k] b[k][j].
inline Matrix4 multiplyRowMajor(const Matrix4& a, const Matrix4& b) {
    Matrix4 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 4; ++k) s += a.at(i, k) * b.at(k, j);
            r.at(i, j) = s;
        }
    return r;
}

}  // namespace tolmero
