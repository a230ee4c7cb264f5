// Lines drawn with the current port's pen: its size (the pen hangs right
// and down from its position), pattern and mode. The pen moves to the end.
#pragma once

namespace Lines {

void LineTo(int h, int v);
void Line(int dh, int dv);

}  // namespace Lines
