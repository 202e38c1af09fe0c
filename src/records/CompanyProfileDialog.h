#pragma once

#include "records/CompanyProfile.h"

#include <QDialog>

struct AppServices;
class ByteLimitedLineEdit;
class ByteLimitedTextEdit;
class QComboBox;

// The company profile (row 2004 of company). "确定" saves and closes, "取消" closes. Name and
// telephone are required; the desk reads them at its next start.
class CompanyProfileDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CompanyProfileDialog(AppServices& services, QWidget* parent = nullptr);

    CompanyProfile shownProfile() const;

private:
    void showProfile(const CompanyProfile& profile);
    void save();
    ByteLimitedLineEdit* addLine(const QString& objectName, int byteLimit);

    AppServices& m_services;
    QComboBox* m_area;
    ByteLimitedLineEdit* m_areaText;
    ByteLimitedLineEdit* m_name;
    ByteLimitedLineEdit* m_address;
    ByteLimitedLineEdit* m_tel;
    ByteLimitedLineEdit* m_fax;
    ByteLimitedLineEdit* m_postcode;
    ByteLimitedLineEdit* m_person;
    ByteLimitedLineEdit* m_email;
    ByteLimitedLineEdit* m_homepage;
    ByteLimitedTextEdit* m_about;
};
