#include "report/report_definition.h"

ReportItem ReportItem::label(QString name, int left, int top, int width, int height, QString caption)
{
    ReportItem item;
    item.kind = Kind::Label;
    item.name = std::move(name);
    item.left = left;
    item.top = top;
    item.width = width;
    item.height = height;
    item.caption = std::move(caption);
    return item;
}

ReportItem ReportItem::dataField(QString field, int left, int top, int width, int height)
{
    ReportItem item = label(field, left, top, width, height, {});
    item.kind = Kind::DataField;
    item.field = std::move(field);
    return item;
}

ReportItem ReportItem::image(QString name, int left, int top, int width, int height, QImage picture)
{
    ReportItem item = label(std::move(name), left, top, width, height, {});
    item.kind = Kind::Image;
    item.picture = std::move(picture);
    return item;
}

ReportItem ReportItem::frame(QString name, int left, int top, int width, int height)
{
    ReportItem item = label(std::move(name), left, top, width, height, {});
    item.kind = Kind::Frame;
    return item;
}

ReportItem &ReportItem::withFont(double size, bool bold)
{
    font = ReportFont{size, bold};
    return *this;
}

ReportItem &ReportItem::withAlignment(ItemAlignment a)
{
    alignment = a;
    return *this;
}

ReportItem *ReportDefinition::item(const QString &name)
{
    for (auto *band : {&pageHeader, &detail, &pageFooter}) {
        if (!band->has_value())
            continue;
        for (ReportItem &item : (*band)->items)
            if (item.name == name)
                return &item;
    }
    return nullptr;
}

bool ReportDefinition::setCaption(const QString &name, const QString &caption)
{
    ReportItem *found = item(name);
    if (!found)
        return false;
    found->caption = caption;
    return true;
}
