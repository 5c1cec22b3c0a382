// The modelview and projection matrix stacks that glMatrixMode selects
// between, and the normal matrix of the modelview's top, worked out again
// only after the modelview's upper 3 x 3 has changed.
#pragma once

#include <vector>

#include "web/gl/math.h"

namespace ffp {

enum class Stack { Modelview, Projection };

class MatrixStacks {
public:
    // What OpenGL guarantees for the modelview stack, and this layer gives both.
    static constexpr int kDepth = 32;

    // Every operation below acts on the top of the selected stack.
    void select(Stack stack);
    void loadIdentity();
    bool push(); // false on overflow, the stack left as it was
    bool pop();  // false on underflow
    void multiply(const Mat4& m);
    void translate(float x, float y, float z);
    void rotate(float degrees, float x, float y, float z);
    void scale(float x, float y, float z);
    // gluPerspective and gluLookAt, with GLU's own precision.
    void perspective(double fovyDegrees, double aspect, double zNear, double zFar);
    void lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                double centreZ, double upX, double upY, double upZ);

    Stack selectedStack() const
    {
        return selected_;
    }
    // The top of a stack, and the normal matrix of the modelview's.
    const Mat4& top(Stack stack) const;
    const Mat3& normalMatrix();

private:
    std::vector<Mat4>& selected() // the stack glMatrixMode chose
    {
        return selected_ == Stack::Modelview ? modelview_ : projection_;
    }
    void changed(); // after any change to the selected top's upper 3 x 3

    std::vector<Mat4> modelview_{kIdentity}, projection_{kIdentity};
    Stack selected_ = Stack::Modelview;
    Mat3 normalMatrix_{};
    bool normalMatrixStale_ = true;
};

} // namespace ffp
