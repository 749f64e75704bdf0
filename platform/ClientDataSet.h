#pragma once
// In-memory client dataset with typed persistent fields and the data packet
// of the back office (XML, see the data packet format of the stores).
#include "AutomationDate.h"
#include "FieldValue.h"
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class ClientDataSet;

// A field bound by name to a column of the dataset. Reads and writes go to the
// current record; writes need the dataset in insert or edit state.
class Field {
public:
    Field(ClientDataSet *owner, QString fieldName, FieldType type, int size, QString displayLabel, bool visible,
          QString componentName);

    const QString &fieldName() const { return m_fieldName; }
    const QString &name() const { return m_componentName; } // component name, e.g. cdsImpRedZCDFILIAL
    FieldType dataType() const { return m_type; }
    int size() const { return m_size; }
    const QString &displayLabel() const { return m_displayLabel; }
    bool visible() const { return m_visible; }
    ClientDataSet *dataSet() const { return m_owner; }

    bool isNull() const;
    QVariant value() const; // QString, QDate (date), QDateTime (date-time), double, int, bool or null
    void setValue(const QVariant &value);
    void clear();

    // A null reads as the empty text, 0, false or the automation date 0.
    QString asString() const;
    double asFloat() const;
    TDateTime asDateTime() const;

    void setAsString(const QString &text); // a string field keeps the first size() characters
    void setAsFloat(double value);
    void setAsDateTime(TDateTime value); // a date field keeps only the day

private:
    friend class ClientDataSet;
    ClientDataSet *m_owner;
    QString m_fieldName;
    FieldType m_type;
    int m_size;
    QString m_displayLabel;
    bool m_visible;
    QString m_componentName;
    int m_column = -1;
};

class ClientDataSet {
public:
    enum class State { Inactive, Browse, Insert, Edit };

    explicit ClientDataSet(QString name = {});
    ~ClientDataSet();
    ClientDataSet(const ClientDataSet &) = delete;
    ClientDataSet &operator=(const ClientDataSet &) = delete;

    const QString &name() const { return m_name; }

    // Persistent fields, declared once; their component name is the dataset's
    // name followed by the field name unless given.
    Field &addField(const QString &fieldName, FieldType type, int size = 0, const QString &displayLabel = {},
                    bool visible = true, const QString &componentName = {});
    QList<Field *> fields() const;

    Field &fieldByName(const QString &fieldName) const; // EDataSetError naming the field when unknown

    // Structure and state.
    void createDataSet(); // empty, from the persistent fields
    void open();          // active with what it holds (empty when nothing was loaded)
    void close();         // inactive; rows are dropped, persistent fields stay
    bool active() const;
    State state() const;

    // Navigation.
    int recordCount() const;
    bool isEmpty() const;
    int recNo() const; // 1-based, 0 when empty
    void first();
    void next();
    void prior();
    void last();
    bool eof() const;
    bool bof() const;

    // Editing: insert opens a new row at the current position, append at the end.
    void insert();
    void append();
    void edit();
    void post(); // runs beforePost, then writes the row
    void cancel();
    std::function<void(ClientDataSet &)> beforePost;

    // The whole content as a data packet (QByteArray inside the QVariant).
    // Setting a packet replaces rows and, unless persistent fields were
    // declared, the structure. With persistent fields, each must be in the
    // packet, or the load fails naming it and the dataset keeps what it held.
    QVariant data() const;
    void setData(const QVariant &packet);
    void loadFromFile(const QString &path);
    void saveToFile(const QString &path) const;

private:
    struct Impl;
    friend class Field;
    std::unique_ptr<Impl> d;
    QString m_name;
};
