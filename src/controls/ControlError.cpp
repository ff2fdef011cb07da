#include "controls/ControlError.h"

ControlError::ControlError(quint32 number, QString source, QString description)
    : number(number), source(std::move(source)), description(std::move(description)) {
    whatText = this->description.toUtf8();
}
