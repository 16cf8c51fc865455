// Skin elements: the style sheet picks a control's look by its dynamic
// property "skinElement" ("startbutton", "stopbutton", ...).
#pragma once

class QWidget;

// Sets the skin element of `AWidget` and re-applies the skin at once.
void SetSkinElement(QWidget* AWidget, const char* AElement);
