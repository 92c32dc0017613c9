#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

// The Site Manager's rows: every site account in the store's order with its server, its fixed
// remote folder and whether it is the connected one. An account's values are read when its row
// is first shown, so a long list costs one pass over the labels.
class SiteListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kLabelColumn, kServerColumn, kDirectoryColumn, kStatusColumn, kColumnCount };

    explicit SiteListModel(QObject* parent = nullptr);

    // Reads the accounts again; connectedSite is the connected site's label ("" for none). True
    // when the same labels came back, so the rows (and the view's selection) stayed; false when
    // the rows were made anew.
    bool Refill(const std::string& connectedSite);
    const std::string& label(int row) const { return labels_.at(static_cast<std::size_t>(row)); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Details {
        bool read = false;
        std::string server;
        std::string directory;
    };

    bool IsConnected(int row) const;
    const Details& DetailsOf(int row) const;

    std::vector<std::string> labels_;
    mutable std::vector<Details> details_;
    std::string connectedSite_;
};
