#pragma once

class QWidget;

namespace tallis {

// Places a top-level window at the centre of the screen it is on.
void CentreOnScreen(QWidget& window);

}  // namespace tallis
