#pragma once

class QWidget;

namespace vantorel {

// Has screen readers read a painted figure (the headline latency, the gauge) as a label whose
// text is the figure: the widget keeps its accessible name set to the value it shows. Call in
// the widget's constructor, before anything asks for its accessible interface.
void markAsAccessibleFigure(QWidget& widget);

} // namespace vantorel
