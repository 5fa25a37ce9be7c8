#pragma once
// The program's compiled-in pictures (drawn by tools/artwork, listed in
// resources/morvain.qrc). Every accessor makes sure the resources are registered first:
// they live in a static library, whose registration the linker would otherwise drop.

#include <QIcon>
#include <QPixmap>

namespace morvain::artwork
{

// The 393 x 182 splash strip; cut it with strip::cellRect.
QPixmap strip();
// Small icon n (0 to 17), in step with strip cell n.
QIcon icon(int n);
// The About box's still emblem.
QPixmap emblem();

} // namespace morvain::artwork
