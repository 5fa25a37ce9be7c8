#pragma once
// Gives every value box of a form the name a screen reader speaks, from the label beside
// it: the label's text (without its '&' and ':'), after the title of the frame it sits in
// ("Servers: Num active"), and makes the label its buddy, so the label's mnemonic and a
// click on it reach the box. Boxes that already have a name keep it.

class QWidget;

namespace morvain
{

void nameValueBoxes(QWidget *form);

} // namespace morvain
