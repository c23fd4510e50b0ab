#pragma once

#include <QImage>

// The product picture of the splash window and the About box's two pictures.
namespace art {

QImage ProductPicture();  // 230: 333 x 350, 256 colours with a real colour table
QImage AboutLogo();       // 166: 183 x 69
QImage AboutEmblem();     // 169: 100 x 48, on the About box's light grey

}  // namespace art
