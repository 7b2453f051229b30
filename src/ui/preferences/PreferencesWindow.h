#pragma once

#include <QString>
#include <QWidget>

class QLabel;

namespace vantorel {

class FormSegmentedPicker;
class FormSwitch;
class PreferencesSection;

// The settings window. Every control reads and writes its preference directly, with no apply
// step (number fields when their edit is finished), and follows the preference when it changes
// elsewhere. Controls carry their key as object name. No control is ever disabled. The form
// scrolls when the window is shorter than it; Escape and Ctrl+W close the window.
class PreferencesWindow : public QWidget {
    Q_OBJECT

public:
    explicit PreferencesWindow(QWidget* parent = nullptr);

    // Shows the application's one preferences window, building it on first use, and brings it
    // to the front.
    static void showWindow();

    // "Green ≤ 50 ms · Yellow ≤ 150 ms · Red above" for the thresholds given.
    static QString thresholdsCaption(double green, double yellow);

    // The whole form's size.
    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void preferenceChanged(const QString& key);
    void showAppearance();
    void showClock();
    void showThresholdsCaption();
    void showMetricsCaption();
    void applyColourScheme();

    FormSegmentedPicker* themePicker_ = nullptr;
    FormSwitch* glassSwitch_ = nullptr;
    FormSegmentedPicker* clockPicker_ = nullptr;
    FormSwitch* alertsSwitch_ = nullptr;
    FormSwitch* scrollbackSwitch_ = nullptr;
    FormSwitch* ipv6Switch_ = nullptr;
    FormSwitch* loginSwitch_ = nullptr;
    FormSwitch* metricsSwitch_ = nullptr;
    QLabel* metricsCaption_ = nullptr;
    bool sized_ = false;
    QLabel* thresholdsCaption_ = nullptr;
    QList<PreferencesSection*> sections_;
};

} // namespace vantorel
