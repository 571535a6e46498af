-- Demonstration rows: trading partners and the information classifications
-- they send (1) or receive (2). The codes 0001..0020 are those of the
-- sample information-classification list. Apply after schema.sql; rows
-- already there are left as they are, so the file can be applied again.
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00001', '1', '0016') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00001', '2', '0001') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00002', '1', '0017') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00002', '2', '0011') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00002', '2', '0019') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00003', '1', '0002') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00003', '2', '0016') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00005', '1', '0018') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00005', '2', '0001') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00005', '2', '0002') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00005', '2', '0013') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00008', '1', '0007') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00008', '1', '0011') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00008', '2', '0009') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00012', '1', '0019') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00012', '1', '0020') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00012', '2', '0003') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00015', '1', '0007') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00015', '1', '0011') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00015', '2', '0020') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00021', '1', '0007') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00021', '2', '0006') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00021', '2', '0016') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00034', '1', '0002') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00034', '1', '0017') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00034', '2', '0002') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00034', '2', '0008') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00055', '1', '0010') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00055', '2', '0019') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00089', '1', '0015') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00089', '2', '0011') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00144', '1', '0007') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00144', '1', '0016') ON CONFLICT DO NOTHING;
INSERT INTO FL1914利用情報区分マスタ (相手先企業コード, 送受信種別, 情報区分コード) VALUES ('C00144', '2', '0005') ON CONFLICT DO NOTHING;
