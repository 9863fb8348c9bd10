#include "ui/selection_screen.h"

#include <QGridLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/session.h"
#include "ui/frm_veltar.h"
#include "ui/screen_layout.h"

namespace kaveltar::ui {

SelectionScreen::SelectionScreen(FRMVELTAR& form, Screen screen, const char* frame_name,
                                 const char* caption)
    : form_(form), session_(form.session()), screen_(screen) {
  frame_ = new QGroupBox(QString::fromUtf8(caption), form.frame_selezione());
  frame_->setObjectName(QString::fromLatin1(frame_name));
  frame_->setAutoFillBackground(true);
}

SelectionScreen::~SelectionScreen() = default;

void SelectionScreen::Connect() {
  connect(companies_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) form_.Guard([this] { CompanyClicked(); });
  });
  if (company_order_ != nullptr) {
    connect(company_order_, &QButtonGroup::idClicked, this,
            [this](int) { form_.Guard([this] { ReloadCompanies(); }); });
  }
  if (employee_order_ != nullptr) {
    connect(employee_order_, &QButtonGroup::idClicked, this,
            [this](int) { form_.Guard([this] { RebuildEmployees(); }); });
  }
  year_->set_changed([this] { form_.Guard([this] { YearChanged(); }); });
}

QGridLayout* SelectionScreen::ListsAndPeriodLayout() {
  QGroupBox* f = frame_;
  auto* period = new QVBoxLayout;
  period->addWidget(NewLabel(f, "ANNO"), 0, Qt::AlignHCenter);
  period->addWidget(year_);
  period->addSpacing(8);
  period->addLayout(Headed(f, "MESE", months_), 1);

  auto* lists = new QGridLayout;
  lists->setHorizontalSpacing(8);
  lists->addLayout(Headed(f, "SELEZIONE DITTE", companies_), 0, 0);
  lists->addLayout(Headed(f, "SELEZIONE DIPENDENTI", employees_), 0, 1);
  lists->addLayout(period, 0, 2);
  lists->addLayout(Row({company_order_->button(0), company_order_->button(1)}), 1, 0);
  lists->addLayout(Row({employee_order_->button(0), employee_order_->button(1)}), 1, 1);
  lists->setColumnStretch(0, 36);
  lists->setColumnStretch(1, 48);
  lists->setColumnStretch(2, 12);
  return lists;
}

int SelectionScreen::CompanyOrder() const {
  return company_order_ == nullptr ? kOrderByCode : company_order_->checkedId();
}

int SelectionScreen::EmployeeOrder() const {
  return employee_order_ == nullptr ? kOrderByCode : employee_order_->checkedId();
}

std::string SelectionScreen::CurrentCompanyCode() const {
  return EntryAt(companies_, companies_->currentRow()).code;
}

void SelectionScreen::FillCompanies() {
  SetEntries(companies_, session_.lists().LISTA_AZIENDE(screen_, CompanyOrder()));
  if (employees_ != nullptr) SetEntries(employees_, {});
  ListsRefilled();
}

void SelectionScreen::ReloadCompanies() {
  session_.lists().CARICAESTRAZIONE(year_->distance());
  FillCompanies();
}

std::vector<ListEntry> SelectionScreen::EmployeesOf(const std::string& company) {
  return session_.lists().EmployeeList(screen_, EmployeeOrder(), year(), company);
}

void SelectionScreen::RebuildEmployees() {
  if (employees_ == nullptr) return;
  const std::string company = CurrentCompanyCode();
  SetEntries(employees_, company.empty() ? std::vector<ListEntry>{} : EmployeesOf(company));
  ListsRefilled();
}

void SelectionScreen::CompanyClicked() { RebuildEmployees(); }

void SelectionScreen::YearChanged() {
  const std::string selected = CurrentCompanyCode();
  ReloadCompanies();
  if (selected.empty()) return;
  for (int row = 0; row < companies_->count(); ++row) {
    if (EntryAt(companies_, row).code == selected) {
      {
        const QSignalBlocker blocker(companies_);
        companies_->setCurrentRow(row);
      }
      CompanyClicked();
      return;
    }
  }
}

}  // namespace kaveltar::ui
