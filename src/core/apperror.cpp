#include "apperror.h"

namespace gudang {

AppError::AppError(QString description, Kind kind, QByteArray sqlState, QString detail)
    : m_description(std::move(description))
    , m_kind(kind)
    , m_sqlState(std::move(sqlState))
    , m_detail(std::move(detail))
    , m_utf8(m_description.toUtf8())
{ }

} // namespace gudang
