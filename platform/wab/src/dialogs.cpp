#include "dialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <olectl/propertypage.h>

namespace wab {
namespace {

struct Field {
    ULONG tag;
    const char* objectName;
    const char* label;
};

// The fields a contact's window shows, in this order; each line edit is named after its
// property so that it can be found.
constexpr Field kContactFields[] = {
    {PR_DISPLAY_NAME, "PR_DISPLAY_NAME", "&Display name:"},
    {PR_GIVEN_NAME, "PR_GIVEN_NAME", "&First name:"},
    {PR_SURNAME, "PR_SURNAME", "&Last name:"},
    {PR_NICKNAME, "PR_NICKNAME", "Nic&kname:"},
    {PR_EMAIL_ADDRESS, "PR_EMAIL_ADDRESS", "&E-mail:"},
    {PR_BUSINESS_TELEPHONE_NUMBER, "PR_BUSINESS_TELEPHONE_NUMBER", "&Business phone:"},
    {PR_HOME_TELEPHONE_NUMBER, "PR_HOME_TELEPHONE_NUMBER", "&Home phone:"},
    {PR_CELLULAR_TELEPHONE_NUMBER, "PR_CELLULAR_TELEPHONE_NUMBER", "&Mobile:"},
    {PR_PAGER_TELEPHONE_NUMBER, "PR_PAGER_TELEPHONE_NUMBER", "&Pager:"},
    {PR_BUSINESS_FAX_NUMBER, "PR_BUSINESS_FAX_NUMBER", "B&usiness fax:"},
    {PR_HOME_FAX_NUMBER, "PR_HOME_FAX_NUMBER", "H&ome fax:"},
    {PR_COMPANY_NAME, "PR_COMPANY_NAME", "&Company:"},
    {PR_TITLE, "PR_TITLE", "&Job title:"},
    {PR_DEPARTMENT_NAME, "PR_DEPARTMENT_NAME", "De&partment:"},
    {PR_OFFICE_LOCATION, "PR_OFFICE_LOCATION", "O&ffice:"},
    {PR_PERSONAL_HOME_PAGE, "PR_PERSONAL_HOME_PAGE", "Personal &web page:"},
    {PR_BUSINESS_HOME_PAGE, "PR_BUSINESS_HOME_PAGE", "Business web pa&ge:"},
};

constexpr Field kListFields[] = {
    {PR_DISPLAY_NAME, "PR_DISPLAY_NAME", "&Group name:"},
};

// Notes are several lines: a text box of its own below the form.
constexpr Field kNotes = {PR_COMMENT, "PR_COMMENT", "&Notes:"};

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool RunDialog(const QString& title, ULONG objectType, const PropertyList& current,
               PropertyList* fields) {
    QDialog dialog;
    dialog.setWindowTitle(title);
    dialog.setModal(true);
    auto* layout = new QVBoxLayout(&dialog);
    auto* form = new QFormLayout();
    layout->addLayout(form);

    std::vector<std::pair<ULONG, QLineEdit*>> edits;
    const bool list = objectType == MAPI_DISTLIST;
    const Field* begin = list ? std::begin(kListFields) : std::begin(kContactFields);
    const Field* end = list ? std::end(kListFields) : std::end(kContactFields);
    for (const Field* field = begin; field != end; ++field) {
        auto* edit = new QLineEdit(FromUtf8(TextOf(current, PROP_ID(field->tag))), &dialog);
        edit->setObjectName(QString::fromLatin1(field->objectName));
        form->addRow(QObject::tr(field->label), edit);
        edits.emplace_back(field->tag, edit);
    }
    auto* notes = new QPlainTextEdit(FromUtf8(TextOf(current, PROP_ID(kNotes.tag))), &dialog);
    notes->setObjectName(QString::fromLatin1(kNotes.objectName));
    form->addRow(QObject::tr(kNotes.label), notes);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);

    if (dialog.exec() != QDialog::Accepted)
        return false;
    fields->clear();
    for (const auto& [tag, edit] : edits)
        fields->push_back(TextProperty(tag, edit->text().toStdString()));
    fields->push_back(TextProperty(kNotes.tag, notes->toPlainText().toStdString()));
    return true;
}

}  // namespace

bool CanShowWindows() {
    return olectl::WidgetsAvailable();
}

bool RunDetailsDialog(ULONG objectType, const PropertyList& current, PropertyList* fields) {
    QString name = FromUtf8(TextOf(current, PROP_ID(PR_DISPLAY_NAME)));
    return RunDialog(QObject::tr("%1 Properties").arg(name), objectType, current, fields);
}

bool RunNewEntryDialog(ULONG objectType, PropertyList* fields) {
    const QString title =
        objectType == MAPI_DISTLIST ? QObject::tr("New Group") : QObject::tr("New Contact");
    return RunDialog(title, objectType, {}, fields);
}

}  // namespace wab
