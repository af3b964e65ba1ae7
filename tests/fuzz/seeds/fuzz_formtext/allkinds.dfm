object Root: TRoot
  Small = 12
  Negative = -100
  Medium = 1000
  Large = 100000
  Huge = 10000000000
  Float = 1.5
  Integral = 2147483647.000000000000000000
  Tiny = 1.5E-7
  Big = 1.23456789012346E20
  Precise = 0.1
  Single = 0.25s
  Money = -12.3456c
  Stamp = 36892.4147108796d
  Quote = 'it'#39's'
  Controls = 'a'#13#10'b'#9
  Latin = #233't'#233
  Wide = 'x'#1090#1077#1089#1090
  Empty = ''
  Long = 
    '0123456789012345678901234567890123456789012345678901234567890123' +
    '4567890123'#39'5'
  Enum = alClient
  Yes = True
  No = False
  Nothing = nil
  Font.Style = [fsBold, fsItalic]
  NoStyle = []
  DataSource = Form1.Table1
  Items.Strings = (
    'one'
    2
    (
      3
      'four')
    
      '0123456789012345678901234567890123456789012345678901234567890123' +
      '456789')
  NoItems = ()
  Short.Data = {0A0BFF}
  Long.Data = {
    000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F
    2021}
  NoData = {}
  Columns = <
    item
      Title = 'A'
      Nested = <
        item
          Width = 5
        end>
    end
    item [3]
    end>
  NoColumns = <>
  object TLabel
  end
  inherited Child: TPanel [2]
    Caption = 'c'
    inline Frame: TFrame1
    end
  end
end
