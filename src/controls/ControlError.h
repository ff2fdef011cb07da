#pragma once
#include <QByteArray>
#include <QString>
#include <exception>

// The one error the own controls raise: a caller handed a control something
// it cannot work with. Carries the number, source and description a host
// shows or checks.
class ControlError : public std::exception {
public:
    static constexpr quint32 ObjectErrorBase = 0x80040000u;

    ControlError(quint32 number, QString source, QString description);

    quint32 Number() const { return number; }
    QString Source() const { return source; }
    QString Description() const { return description; }
    const char* what() const noexcept override { return whatText.constData(); }

private:
    quint32 number;
    QString source;
    QString description;
    QByteArray whatText;
};
