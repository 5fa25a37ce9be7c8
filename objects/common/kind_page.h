#pragma once
// What every kind's tab holds besides its handlers: its generated form, the call cycle and
// header dialog it works with, and its kind's model, which the main window reaches through
// ObjectPage.

#include "object_page.h"
#include "page_context.h"
#include "page_support.h"

#include <QWidget>

#include <memory>

namespace morvain
{

template <class Model, class Form> class KindPage : public ObjectPage
{
public:
    Model &model() { return m_model; }
    const auto &reply() const { return m_model.reply(); }
    // Only the kinds that list objects have a table.
    const auto &table() const { return m_model.table(); }
    ObjectModel &objectModel() override { return m_model; }
    QHash<QString, QLineEdit *> fieldBoxes() const override { return boxesByField(boxes()); }

protected:
    // The tab sets up its form: there its type is complete, and so is the tab.
    KindPage(PageContext ctx, Model &model, QWidget *parent)
        : ObjectPage(parent), ui(std::make_unique<Form>()), m_ctx(ctx), m_model(model)
    {
    }

    // The boxes the tab shows its object's fields in, in the order it fills them.
    virtual FieldBoxes boxes() const = 0;

    // The values in their boxes, each scrolled to its start.
    void showValues(const QList<FieldValue> &values) const
    {
        for (const auto &[box, field] : boxes())
            showText(box, textOf(values, field));
    }

    std::unique_ptr<Form> ui;
    PageContext m_ctx;
    Model &m_model;
};

} // namespace morvain
