#pragma once

#include <QString>
#include <stdexcept>

// An error that ends the current command; its text is shown to the operator as it stands.
class VornixError : public std::runtime_error
{
  public:
    explicit VornixError(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    const QString& text() const { return m_text; }

  private:
    QString m_text;
};
