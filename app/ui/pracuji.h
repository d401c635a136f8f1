#pragma once

#include "core/busyindicator.h"

#include <QWidget>

class QFrame;
class QLabel;
class QProgressBar;

// The busy form: a small always-on-top window with a moving progress bar, shown around long
// loops (the close-time resend, the interactive update check).
class Tpracuji : public QWidget
{
    Q_OBJECT
  public:
    explicit Tpracuji(QWidget* parent = nullptr);

    // Advances the bar (wrapping to 0 after 100) and lets pending window messages run.
    void posun();
    int value() const;
    QProgressBar* bar() const { return m_bar; }

    // The busy form as the core loops use it: show, posun, close.
    BusyIndicator& indicator() { return m_indicator; }

  protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

  private:
    class Indicator : public BusyIndicator
    {
      public:
        explicit Indicator(Tpracuji& form) : m_form(form) {}
        void show() override;
        void posun() override { m_form.posun(); }
        void close() override { m_form.close(); }

      private:
        Tpracuji& m_form;
    };

    QFrame* m_panel = nullptr;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
    Indicator m_indicator{*this};
};
