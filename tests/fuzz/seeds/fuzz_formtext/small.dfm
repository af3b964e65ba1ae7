inherited Form2: TForm2 [0]
  Caption = 'a'#13#10'b' +
    'c'
  Color = $FF
  object Panel1: TPanel
    Data = {0A0B}
    Set = [a, b]
    Cols = <
      item [1]
        W = 1.5s
      end>
  end
end
