#include "library/sdbtransaction.h"

#include "library/sdatabasemanager.h"

SDbTransaction::SDbTransaction(SDatabaseManager* manager) : m_manager(manager)
{
    m_active = m_manager && m_manager->beginTransaction();
}

SDbTransaction::~SDbTransaction()
{
    if (m_active)
        m_manager->rollbackTransaction();
}

bool SDbTransaction::commit()
{
    if (!m_active)
        return false;
    m_active = false;
    if (m_manager->commitTransaction())
        return true;
    m_manager->rollbackTransaction();
    return false;
}
