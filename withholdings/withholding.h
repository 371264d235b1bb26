#pragma once

#include <QString>

// The grid's columns.
enum GridColumn {
    RowNumberColumn = 0,
    ReceiptColumn = 1,
    DateColumn = 2,
    InvoiceAmountColumn = 3,
    WithheldAmountColumn = 4,
    CompanyNameColumn = 5,
    SupplierCuitColumn = 6,
};

// One withholding as a row of the grid shows it. The grid's cells are the data, so every
// field is kept as the text its cell holds.
struct Withholding {
    QString receipt;        // Nro.Comp.
    QString date;           // Fecha, DD/MM/YYYY
    QString invoiceAmount;  // Importe Comp.
    QString withheldAmount; // Importe Ret.
    QString companyName;    // Empresa
    QString supplierCuit;   // CUIT, NN-NNNNNNNN-N

    // The field shown in a grid column (ReceiptColumn to SupplierCuitColumn); nullptr for the
    // row number and anything outside the grid.
    static QString Withholding::*field(int column)
    {
        switch (column) {
        case ReceiptColumn:
            return &Withholding::receipt;
        case DateColumn:
            return &Withholding::date;
        case InvoiceAmountColumn:
            return &Withholding::invoiceAmount;
        case WithheldAmountColumn:
            return &Withholding::withheldAmount;
        case CompanyNameColumn:
            return &Withholding::companyName;
        case SupplierCuitColumn:
            return &Withholding::supplierCuit;
        default:
            return nullptr;
        }
    }

    bool operator==(const Withholding &) const = default;
};
