#pragma once

class QWidget;

// Gives every control under root that has no accessible name one a screen reader can say: the
// text of the label that is its buddy, else its own text (a button's, a check box's), else its
// tool tip; the mnemonic ampersands are dropped. Call it once a window's controls are made.
void NameControlsForAccessibility(QWidget* root);
