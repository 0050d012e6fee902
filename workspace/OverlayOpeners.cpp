#include "workspace/Unit1.h"
namespace pv {
void TForm1::ShowResizeFrame() {}
void TForm1::DoResizeImage(int, int) {}
void TForm1::CloseResizeFrame() {}
void TForm1::ShowCombineImagesFrame(const ISkImage&) {}
void TForm1::CombineMIClick() {}
} // namespace pv
