#include "apperror.h"

namespace gudang {

AppError::AppError(QString description)
    : m_description(std::move(description))
    , m_utf8(m_description.toUtf8())
{ }

} // namespace gudang
