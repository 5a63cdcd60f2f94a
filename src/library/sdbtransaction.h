#pragma once

class SDatabaseManager;

// All-or-nothing for multi-statement changes: rolls back unless commit() succeeded.
class SDbTransaction
{
public:
    explicit SDbTransaction(SDatabaseManager* manager);
    ~SDbTransaction();
    SDbTransaction(const SDbTransaction&) = delete;
    SDbTransaction& operator=(const SDbTransaction&) = delete;

    bool isActive() const { return m_active; }
    bool commit();

private:
    SDatabaseManager* m_manager;
    bool m_active = false;
};
