object DataModule1: TTestRoot
  Tag = 3
  object Query1: TTestComp
    Active = True
    Count = 1000
    Big = 1099511627776
    Ratio = 2.5
    Caption = 'It'#39's'
    Mode = tmNetwork
    Options = [toReadOnly, toTrimStrings]
    Separator = ';'
    SQL.Strings = (
      'select *'
      'from t')
    Items = <
      item
        FieldName = 'ID'
        Size = 4
      end>
    Link = Query2
    OnChange = HandleChange
    OnCompute = Twice
    Left = 8
    Top = 16
    Data = {0102FE}
  end
  object Query2: TTestCompEx
    Extra = 'more'
    object Nested: TTestComp
      Link = DataModule1.Query1
    end
  end
  object Holder1: TTestHolder
    Inner.Count = 3
    Inner.SQL.Strings = (
      'x')
  end
end
